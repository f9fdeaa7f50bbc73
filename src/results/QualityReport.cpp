#include "results/QualityReport.h"

#include <charconv>
#include <cmath>
#include <ostream>

#include "results/TextReport.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {

// ---- JSON, written as a stream -------------------------------------------

void number(std::ostream& out, double value) {
    if (!std::isfinite(value)) {
        out << "null";
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.write(buffer, result.ptr - buffer);
}

void number(std::ostream& out, const std::optional<double>& value) {
    if (value) number(out, *value);
    else out << "null";
}

void string(std::ostream& out, const std::string& text) {
    out << '"';
    bool plain = true;
    for (const char ch : text) plain = plain && ch != '"' && ch != '\\' && static_cast<unsigned char>(ch) >= 0x20;
    if (plain) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out << '"';
        return;
    }
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out << '\\' << ch;
        } else if (c < 0x20) {
            const char* hex = "0123456789abcdef";
            out << "\\u00" << hex[c >> 4] << hex[c & 15];
        } else {
            out << ch;
        }
    }
    out << '"';
}

void boolean(std::ostream& out, bool value) { out << (value ? "true" : "false"); }

template <class Item>
void nameOf(std::ostream& out, const std::vector<Item>& items, const std::optional<std::size_t>& index) {
    if (index) string(out, items[*index].name);
    else out << "null";
}

// ---- Report lines ----------------------------------------------------------

std::string figure(const std::optional<double>& value, int decimals) {
    return value ? qualityFigure(*value, decimals) : std::string("—");
}

std::string seconds(double value) { return qualityFigure(value, 2) + "″"; }

}  // namespace

std::string qualityFigure(double value, int decimals) {
    if (!std::isfinite(value)) return "—";
    return formatFixed(roundHalfEven(value, decimals), decimals);
}

void writeQualityJson(const QualityCheck& q, std::ostream& out) {
    out << "{\"model\":{\"angle_sd\":";
    number(out, q.angleSd);
    out << ",\"side_sd_mm\":[";
    for (std::size_t k = 0; k < q.sideSdMm.size(); ++k) {
        if (k) out << ',';
        number(out, q.sideSdMm[k]);
    }
    out << "],\"weighting\":";
    string(out, weightingName(q.weighting));
    out << '}';
    if (q.error) {
        out << ",\"error\":";
        string(out, *q.error);
        out << "}\n";
        return;
    }

    out << ",\n\"input_warnings\":[";
    for (std::size_t i = 0; i < q.inputWarnings.size(); ++i) {
        const InputWarning& w = q.inputWarnings[i];
        out << (i ? ",\n" : "\n") << "{\"what\":";
        string(out, w.what);
        out << ",\"index\":" << w.index << ",\"text\":";
        string(out, w.text);
        out << '}';
    }
    out << "],\n\"conditions\":[";
    for (std::size_t i = 0; i < q.conditions.size(); ++i) {
        const ConditionCheck& c = q.conditions[i];
        out << (i ? ",\n" : "\n") << "{\"name\":";
        string(out, c.name);
        out << ",\"w\":";
        number(out, c.w);
        out << ",\"sd\":";
        number(out, c.sd);
        out << ",\"limit\":";
        number(out, c.limit);
        out << ",\"flag\":";
        boolean(out, c.flag);
        out << '}';
    }
    out << "],\n\"ferrero_mb\":";
    number(out, q.ferreroMb);
    const GlobalTest& g = q.adjustment;
    out << ",\n\"adjustment\":{\"dof\":" << g.dof << ",\"sigma0\":";
    number(out, g.sigma0);
    out << ",\"statistic\":";
    number(out, g.statistic);
    out << ",\"lower\":";
    number(out, g.lower);
    out << ",\"upper\":";
    number(out, g.upper);
    out << ",\"pass\":";
    boolean(out, g.pass);
    out << "},\n\"observations\":[";
    for (std::size_t i = 0; i < q.observations.size(); ++i) {
        const ObservationCheck& o = q.observations[i];
        out << (i ? ",\n" : "\n") << "{\"name\":";
        string(out, o.name);
        out << ",\"v\":";
        number(out, o.v);
        out << ",\"r\":";
        number(out, o.r);
        out << ",\"w\":";
        number(out, o.w);
        out << ",\"nabla\":";
        number(out, o.nabla);
        out << ",\"mdb\":";
        number(out, o.mdb);
        out << ",\"flags\":[";
        if (o.blunder) out << "\"blunder\"";
        if (o.weak) out << (o.blunder ? "," : "") << "\"weak\"";
        out << "]}";
    }
    out << "],\n\"largest_w\":";
    nameOf(out, q.observations, q.largestW);
    out << ",\n\"sides\":[";
    for (std::size_t i = 0; i < q.sides.size(); ++i) {
        const SideCheck& s = q.sides[i];
        out << (i ? ",\n" : "\n") << "{\"name\":";
        string(out, s.name);
        out << ",\"length\":";
        number(out, s.length);
        out << ",\"sd_mm\":";
        number(out, s.sdMm);
        out << ",\"T\":";
        if (s.T && std::fabs(*s.T) < 9e15) out << static_cast<long long>(*s.T);
        else out << "null";
        out << '}';
    }
    out << "],\n\"weakest_side\":";
    nameOf(out, q.sides, q.weakestSide);
    out << ",\n\"points\":[";
    for (std::size_t i = 0; i < q.points.size(); ++i) {
        const PointCheck& p = q.points[i];
        out << (i ? ",\n" : "\n") << "{\"name\":";
        string(out, p.name);
        out << ",\"X\":";
        number(out, p.X);
        out << ",\"Y\":";
        number(out, p.Y);
        out << ",\"dX_mm\":";
        number(out, p.dXmm);
        out << ",\"dY_mm\":";
        number(out, p.dYmm);
        out << '}';
    }
    out << "],\n\"largest_difference\":";
    nameOf(out, q.points, q.largestDifference);
    out << "}\n";
}

std::string qualityVerdict(const QualityCheck& q) {
    if (q.error) return *q.error;
    const int flags = q.flagCount();
    if (flags == 0) return "检核通过";
    std::string text = "检核未通过：" + std::to_string(flags) + " 项超限或粗差嫌疑";
    if (q.largestW && q.observations[*q.largestW].blunder) {
        const ObservationCheck& o = q.observations[*q.largestW];
        text += "；最大 |w| 为 " + o.name + " (w = " + figure(o.w, 2) + ")，请每次只剔除或重测一个可疑观测值，再重新计算";
    }
    return text;
}

std::string globalTestLine(const QualityCheck& q) {
    const GlobalTest& g = q.adjustment;
    std::string line = "全局检验 (χ², 自由度 " + std::to_string(g.dof) + ", α = 5%): 统计量 " + qualityFigure(g.statistic, 2) +
                       "，区间 [" + qualityFigure(g.lower, 2) + ", " + qualityFigure(g.upper, 2) + "]：";
    if (g.pass) return line + "通过";
    if (g.statistic > g.upper) return line + "未通过（偏大：先验误差过于乐观，或有粗差）";
    return line + "未通过（偏小：先验误差过于悲观）";
}

void printQualityReport(const QualityCheck& q, ReportPrinter& p) {
    p.setCurrentX(1000);
    p.setCurrentY(1000);
    p.setFontSize(10);
    p.setFontName("宋体");
    p.printLine({{24, "--- Kestrane 质量检核 ---"}});
    p.printLine({});
    p.setFontSize(8);
    p.printLine({{4, qualityVerdict(q)}});
    std::string model = "检核模型: 严密定权，测角中误差 σβ = " + shortestText(q.angleSd) + "″";
    p.printLine({{4, model}, {0, q.weighting == Weighting::Rigorous ? "；成果: 严密定权" : "；成果: 按限差定权"}});
    if (q.error) {
        p.endDoc();
        return;
    }
    p.printLine({});
    if (!q.inputWarnings.empty()) {
        p.printLine({{4, "输入提示:"}});
        for (const InputWarning& w : q.inputWarnings) p.printLine({{6, w.text}});
        p.printLine({});
    }
    p.printLine({{4, "验后单位权中误差 σ0 = " + seconds(q.adjustment.sigma0)},
                 {40, "菲列罗公式 mβ = " + seconds(q.ferreroMb)}});
    p.printLine({{4, globalTestLine(q)}});
    p.printLine({});

    p.printLine({{4, "闭合差 (秒 / 毫米):"}});
    p.printLine({{6, "条件"}, {16, "闭合差"}, {30, "中误差"}, {44, "限差"}});
    for (const ConditionCheck& c : q.conditions) {
        std::vector<ReportItem> line{{6, c.name}, {16, qualityFigure(c.w, 2)}, {30, qualityFigure(c.sd, 2)},
                                     {44, qualityFigure(c.limit, 2)}};
        if (c.flag) line.push_back({58, "超限"});
        p.printLine(line);
    }
    p.printLine({});

    p.printLine({{4, "观测值 (角: 秒; 边: 毫米):"}});
    p.printLine({{6, "观测值"}, {16, "改正数 v"}, {28, "r"}, {38, "w"}, {48, "∇"}, {60, "MDB"}, {72, "标记"}});
    for (const ObservationCheck& o : q.observations) {
        std::string flags = o.blunder ? "粗差嫌疑" : "";
        if (o.weak) flags += flags.empty() ? "检核不足" : " 检核不足";
        std::vector<ReportItem> line{{6, o.name}, {16, qualityFigure(o.v, 2)}, {28, qualityFigure(o.r, 3)}, {38, figure(o.w, 2)},
                                     {48, figure(o.nabla, 2)}, {60, figure(o.mdb, 2)}};
        if (!flags.empty()) line.push_back({72, flags});
        p.printLine(line);
    }
    if (q.largestW) p.printLine({{6, "最大 |w|: " + q.observations[*q.largestW].name}});
    p.printLine({});

    p.printLine({{4, "边长精度:"}});
    p.printLine({{6, "边"}, {16, "平差边长 (米)"}, {34, "中误差 (毫米)"}, {52, "相对中误差"}});
    for (const SideCheck& s : q.sides) {
        p.printLine({{6, s.name}, {16, qualityFigure(s.length, 4)}, {34, figure(s.sdMm, 2)},
                     {52, s.T ? "1/" + integerText(static_cast<long>(*s.T)) : std::string("—")}});
    }
    if (q.weakestSide) p.printLine({{6, "最弱边: " + q.sides[*q.weakestSide].name}});
    p.printLine({});

    p.printLine({{4, "严密平差座标与所示座标之差:"}});
    p.printLine({{6, "点名"}, {20, "X (米)"}, {36, "Y (米)"}, {52, "ΔX (毫米)"}, {64, "ΔY (毫米)"}});
    for (const PointCheck& pt : q.points) {
        p.printLine({{6, pt.name}, {20, qualityFigure(pt.X, 4)}, {36, qualityFigure(pt.Y, 4)},
                     {52, qualityFigure(pt.dXmm, 2)}, {64, qualityFigure(pt.dYmm, 2)}});
    }
    if (q.largestDifference) p.printLine({{6, "最大差值: " + q.points[*q.largestDifference].name}});
    p.endDoc();
}

std::string qualityText(const QualityCheck& check) {
    TextReportPrinter printer;
    printQualityReport(check, printer);
    return printer.text();
}

}  // namespace kestrane
