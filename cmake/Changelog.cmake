# The version and release date of the latest entry of debian/changelog, the
# project's one changelog: the version of the program, and the date of its
# manual pages and AppStream release.
#
#   KESTRANE_CHANGELOG_VERSION   1.0.0
#   KESTRANE_RELEASE_DATE        2026-12-08
#   KESTRANE_RELEASE_MONTH_EN    December 2026
#   KESTRANE_RELEASE_MONTH_ZH    2026年12月
set(changelog ${CMAKE_CURRENT_LIST_DIR}/../debian/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} head LIMIT_COUNT 1)
if(NOT head MATCHES "^kestrane \\(([0-9]+\\.[0-9]+\\.[0-9]+)\\) ")
  message(FATAL_ERROR "debian/changelog: the first line names no version: ${head}")
endif()
set(KESTRANE_CHANGELOG_VERSION ${CMAKE_MATCH_1})

# The trailer line of the same entry: " -- Name <address>  Tue, 08 Dec 2026 12:00:00 +0000".
file(STRINGS ${changelog} trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT trailer MATCHES "^ -- .*>  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "debian/changelog: the latest entry has no trailer line with its date: ${trailer}")
endif()
set(day ${CMAKE_MATCH_1})
set(month_abbr ${CMAKE_MATCH_2})
set(year ${CMAKE_MATCH_3})
set(month_abbrs Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(month_names January February March April May June July August September October November December)
list(FIND month_abbrs ${month_abbr} month_index)
if(month_index LESS 0)
  message(FATAL_ERROR "debian/changelog: no month ${month_abbr} in: ${trailer}")
endif()
list(GET month_names ${month_index} month_name)
math(EXPR month "${month_index} + 1")
if(month LESS 10)
  set(month 0${month})
endif()
if(day LESS 10 AND NOT day MATCHES "^0")
  set(day 0${day})
endif()
set(KESTRANE_RELEASE_DATE ${year}-${month}-${day})
set(KESTRANE_RELEASE_MONTH_EN "${month_name} ${year}")
math(EXPR month_number "${month_index} + 1")
set(KESTRANE_RELEASE_MONTH_ZH "${year}年${month_number}月")
unset(changelog)
