#!/usr/bin/env bash
# Drives the built program as a user would: every example computation piped
# into `kestrane --console` reproduces its transcript and report byte for
# byte, and the exit statuses are those of the command line's contract.
set -u
program=$1
golden=$2
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0
check() {  # description, command status
  if [ "$2" -eq 0 ]; then passes=$((passes + 1)); else echo "FAIL: $1"; failures=$((failures + 1)); fi
}

for answers in "$golden"/*.answers.txt; do
  name=$(basename "$answers" .answers.txt)
  "$program" --console --transcript "$work/$name.jsonl" --report "$work/$name.txt" < "$answers" > "$work/$name.out" 2> "$work/$name.err"
  check "$name exits 0" $?
  cmp -s "$work/$name.jsonl" "$golden/$name.transcript.jsonl"; check "$name transcript" $?
  cmp -s "$work/$name.txt" "$golden/$name.report.txt"; check "$name report" $?
done

# Report on standard output.
"$program" --console --report - < "$golden/aonly-n3.answers.txt" > "$work/stdout.txt" 2>/dev/null
check "report to stdout exits 0" $?
grep -qxF "$(tail -n 1 "$golden/aonly-n3.report.txt")" "$work/stdout.txt"; check "report on stdout" $?

# End of input at a value prompt: status 3, no report file.
printf '3\n10\n' | "$program" --console --report "$work/none.txt" > /dev/null 2> "$work/eof.err"
status=$?
[ "$status" -eq 3 ]; check "end of input exits 3 (got $status)" $?
[ ! -e "$work/none.txt" ]; check "no report after end of input" $?
[ -s "$work/eof.err" ]; check "message on standard error" $?

# A fault of the computation: every side 0 gives a zero pivot. Status 2.
sed -e '51,61s/^[0-9][0-9.]*$/0/' "$golden/aonly-n3.answers.txt" > "$work/zero.answers"
"$program" --console --report "$work/fault.txt" < "$work/zero.answers" > /dev/null 2> "$work/fault.err"
status=$?
[ "$status" -eq 2 ]; check "fault exits 2 (got $status)" $?
grep -q "division by zero" "$work/fault.err"; check "fault message names division by zero" $?
[ ! -e "$work/fault.txt" ]; check "no report after a fault" $?

# Bad command lines: status 64 with usage on standard error.
for args in "--bogus" "--console --report" "--console --transcript" "--report x.txt"; do
  # shellcheck disable=SC2086
  "$program" $args < /dev/null > /dev/null 2> "$work/usage.err"
  status=$?
  [ "$status" -eq 64 ]; check "'$args' exits 64 (got $status)" $?
  grep -q -- "--console" "$work/usage.err"; check "'$args' prints usage" $?
done
# Observation files: read as typed; refused before the first prompt (65);
# an output that cannot be written is refused before the first prompt (73).
"$program" --console --input "$examples/awithb-n5.kestrane.toml" --report "$work/file.txt" < /dev/null > "$work/file.out" 2>&1
check "observation file exits 0" $?
cmp -s "$work/file.txt" "$golden/awithb-n5.report.txt"; check "observation file gives the typed report" $?
echo "older" > "$work/keep.txt"
printf 'triangles = 3\ntolerance = -1\n' > "$work/bad.kestrane.toml"
"$program" --console --input "$work/bad.kestrane.toml" --report "$work/keep.txt" < /dev/null > "$work/bad.out" 2> "$work/bad.err"
status=$?
[ "$status" -eq 65 ]; check "refused file exits 65 (got $status)" $?
grep -q "bad.kestrane.toml” 第 2 行，键 tolerance" "$work/bad.err"; check "refusal names file, line and key" $?
[ ! -s "$work/bad.out" ]; check "no prompt before a refusal" $?
grep -qx older "$work/keep.txt"; check "refused file leaves the report alone" $?
"$program" --console --input "$work/none.kestrane.toml" < /dev/null > /dev/null 2>&1
status=$?; [ "$status" -eq 65 ]; check "missing input file exits 65 (got $status)" $?
"$program" --console --csv "$work/no/such/dir.csv" < "$golden/aonly-n3.answers.txt" > "$work/nodir.out" 2>/dev/null
status=$?; [ "$status" -eq 73 ]; check "unwritable output exits 73 (got $status)" $?
[ ! -s "$work/nodir.out" ]; check "no prompt before an unwritable output" $?
# A file saved by a Chinese Windows editor (GB18030, Chinese names): the same
# prompts, echoes and report as the UTF-8 file, and a notice on standard error.
iconv -f UTF-8 -t GB18030 "$examples/aonly-n8-town.kestrane.toml" > "$work/town-gb.kestrane.toml"
"$program" --console --input "$examples/aonly-n8-town.kestrane.toml" --report - < /dev/null \
  > "$work/town-utf8.out" 2> "$work/town-utf8.err"
check "UTF-8 file exits 0" $?
"$program" --console --input "$work/town-gb.kestrane.toml" --report - < /dev/null \
  > "$work/town-gb.out" 2> "$work/town-gb.err"
check "GB18030 file exits 0" $?
cmp -s "$work/town-gb.out" "$work/town-utf8.out"; check "GB18030 file gives the UTF-8 file's output and report" $?
grep -q "基准点A" "$work/town-gb.out"; check "GB18030 names reach the report" $?
grep -q "town-gb.kestrane.toml” 不是 UTF-8 文本，已按 GB18030 编码读取" "$work/town-gb.err"
check "GB18030 notice on standard error" $?
[ ! -s "$work/town-utf8.err" ]; check "no notice for a UTF-8 file" $?
# The picture: SVG or PDF by extension, any other is a bad command line.
"$program" --console --input "$examples/awithc-n7-hill.kestrane.toml" --plot "$work/net.svg" --csv "$work/net.csv" \
  < /dev/null > /dev/null 2>&1
check "--plot and --csv exit 0" $?
grep -q "<svg" "$work/net.svg"; check "--plot writes SVG" $?
[ "$(grep -c ',' "$work/net.csv")" -eq 9 ]; check "--csv has a line per point" $?
"$program" --console --plot "$work/net.png" < /dev/null > /dev/null 2>&1
status=$?; [ "$status" -eq 64 ]; check "--plot .png exits 64 (got $status)" $?
"$program" --console --plot "$work/no/such/net.svg" < "$golden/aonly-n3.answers.txt" > "$work/plot.out" 2>/dev/null
status=$?; [ "$status" -eq 73 ]; check "--plot to an unwritable path exits 73 (got $status)" $?
[ ! -s "$work/plot.out" ]; check "no prompt before an unwritable picture" $?
# The quality check and the a-priori model: bad values are a bad command
# line (64) or a refused file (65); --quality is checked like every output
# (73); the command line's settings replace the file's and --save-input
# writes them.
for args in "--weighting strict" "--angle-sd 0" "--angle-sd x" "--side-sd -1" "--side-sd 2+2" "--side-sd 0+0ppm" \
            "--quality q.csv" "--quality"; do
  # shellcheck disable=SC2086
  "$program" --console $args < /dev/null > /dev/null 2> "$work/usage.err"
  status=$?; [ "$status" -eq 64 ]; check "'$args' exits 64 (got $status)" $?
done
for key in "angle_sd = -2" "side_sd = { mm = 2 }" "weighting = \"strict\""; do
  { cat "$examples/aonly-n3.kestrane.toml"; echo "$key"; } > "$work/key.kestrane.toml"
  "$program" --console --input "$work/key.kestrane.toml" < /dev/null > /dev/null 2> "$work/key.err"
  status=$?; [ "$status" -eq 65 ]; check "'$key' exits 65 (got $status)" $?
  grep -q "key.kestrane.toml” 第 14 行，键 ${key%% *}" "$work/key.err"; check "'$key' refusal names line and key" $?
done
"$program" --console --quality "$work/no/such/q.json" < "$golden/aonly-n3.answers.txt" > "$work/q.out" 2>/dev/null
status=$?; [ "$status" -eq 73 ]; check "--quality to an unwritable path exits 73 (got $status)" $?
[ ! -s "$work/q.out" ]; check "no prompt before an unwritable quality file" $?
{ cat "$examples/aonly-n8-blunder.kestrane.toml"; echo "angle_sd = 4"; echo 'weighting = "rigorous"'; } > "$work/model.kestrane.toml"
"$program" --console --input "$work/model.kestrane.toml" --weighting classic --side-sd 2+2ppm \
  --quality "$work/q.json" --save-input "$work/saved.kestrane.toml" --report "$work/q-report.txt" < /dev/null > /dev/null 2>&1
check "quality run exits 0" $?
grep -q '"weighting":"classic"' "$work/q.json"; check "the option's weighting replaces the file's" $?
grep -q '"angle_sd":4,' "$work/q.json"; check "the file's angle_sd is used" $?
grep -q '"largest_w":"b(3)"' "$work/q.json"; check "the planted blunder has the largest |w|" $?
grep -qx 'side_sd = { mm = 2, ppm = 2 }' "$work/saved.kestrane.toml"; check "--save-input writes the option's side_sd" $?
grep -qx 'weighting = "classic"' "$work/saved.kestrane.toml"; check "--save-input writes the effective weighting" $?
! grep -q "定权" "$work/q-report.txt"; check "the classic report has no weighting line" $?
"$program" --console --input "$work/model.kestrane.toml" --report - < /dev/null 2>/dev/null | grep -q "定权: 严密 (测角中误差 σβ = 4″, 测边中误差 σs = "
check "the rigorous report names its model" $?
# A full disk when the results are written (files limited to 2 KB): the
# report fails and keeps its older text, the small table is written, 73.
(trap '' XFSZ; ulimit -f 2; exec "$program" --console --report "$work/keep.txt" --csv "$work/full.csv" \
  < "$golden/aonly-n3.answers.txt" > /dev/null 2> "$work/full.err")
status=$?
[ "$status" -eq 73 ]; check "full disk exits 73 (got $status)" $?
grep -qx older "$work/keep.txt"; check "full disk leaves the older report whole" $?
grep -q "^A,3562726.265,-429.610," "$work/full.csv"; check "full disk still writes the other outputs" $?
[ -z "$(find "$work" -name '.*.??????')" ]; check "no temporary files left" $?

# An output naming the observation file is a bad command line: usage, and
# the file as it was (the table-driven cases are in ConsoleTest).
cp "$examples/awithb-n5.kestrane.toml" "$work/in.kestrane.toml"
ln -s in.kestrane.toml "$work/in-link.pdf"
for args in "--report $work/in.kestrane.toml" "--pdf $work/in-link.pdf" "--csv $work/x.csv --report $work/x.csv" "--pdf -"; do
  # shellcheck disable=SC2086
  "$program" --console --input "$work/in.kestrane.toml" $args < /dev/null > "$work/same.out" 2> "$work/same.err"
  status=$?
  [ "$status" -eq 64 ]; check "'$args' exits 64 (got $status)" $?
  grep -q -- "--console" "$work/same.err"; check "'$args' prints usage" $?
  [ ! -s "$work/same.out" ]; check "'$args' prompts nothing" $?
done
cmp -s "$work/in.kestrane.toml" "$examples/awithb-n5.kestrane.toml"; check "refused outputs leave the input whole" $?
[ ! -e "$work/x.csv" ]; check "refused outputs create nothing" $?

# The report's PDF and the picture in one run, without a display and without
# XDG_RUNTIME_DIR: one offscreen application draws both, Qt says nothing, and
# the report on standard output is whole.
"$program" --console --input "$examples/awithb-n12-valley.kestrane.toml" --report - < /dev/null > "$work/plain.out" 2>/dev/null
env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR \
  "$program" --console --input "$examples/awithb-n12-valley.kestrane.toml" --report - \
  --pdf "$work/docs.pdf" --plot "$work/docs.svg" < /dev/null > "$work/docs.out" 2> "$work/docs.err"
status=$?
[ "$status" -eq 0 ]; check "--pdf with --plot without a display exits 0 (got $status)" $?
[ ! -s "$work/docs.err" ]; check "--pdf with --plot prints nothing on standard error: $(head -c 300 "$work/docs.err")" $?
cmp -s "$work/docs.out" "$work/plain.out"; check "--pdf with --plot keeps standard output whole" $?
[ "$(head -c 5 "$work/docs.pdf")" = "%PDF-" ]; check "--pdf with --plot writes the PDF" $?
grep -q "</svg>" "$work/docs.svg"; check "--pdf with --plot writes the picture" $?
# /dev/null stays a device when outputs are thrown away there.
"$program" --console --input "$examples/awithb-n5.kestrane.toml" --report /dev/null --csv /dev/null \
  --transcript /dev/null < /dev/null > /dev/null 2>&1
check "/dev/null for several outputs exits 0" $?
[ -c /dev/null ]; check "/dev/null is still a device" $?

"$program" --help > "$work/help.txt"; check "--help exits 0" $?
"$program" --version | grep -q '^kestrane '; check "--version" $?

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
