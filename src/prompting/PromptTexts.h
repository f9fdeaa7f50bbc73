// The exact prompt and pause texts of a computation, in the order a run
// reaches them. Blanks are part of the texts.
#pragma once

namespace kestrane::texts {

// Network definition.
inline constexpr const char* kTriangleCount = "输入三角形个数 :";
inline constexpr const char* kTolerance = "输入规范规定的测角限差 : ( 以秒为单位 )";
inline constexpr const char* kXaValue = "输入已知点 A 的纵座标 :";
inline constexpr const char* kXaFirstConfirm = "确认输入纵座标是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kXReentry = "输入正确的纵座标 :";
inline constexpr const char* kXConfirm = "确认输入的纵座标是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kYaValue = "输入已知点 A 的横座标 :";
inline constexpr const char* kYConfirm = "确认输入的横座标是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kYReentry = "输入正确的横座标 :";
inline constexpr const char* kXbValue = "输入已知点 B 的纵座标 : 如果 B 点不是已知点, Xb 请输入零 ( 即 Xb=0 )";
inline constexpr const char* kYbValue = "输入已知点 B 的横座标 : 如果 B 点不是已知点, Yb 请输入零 ( 即 Yb=0 )";
inline constexpr const char* kYbTitle = "B点座标";
inline constexpr const char* kXcValue = "输入已知点 C 纵座标 : 如果 C 点不是已知点, Xc 请输入零 ( 即 Xc=0 )";
inline constexpr const char* kYcValue = "输入已知点 C 横座标 : 如果 C 点不是已知点, Yc 请输入零 ( 即 Yc=0 )";
inline constexpr const char* kT0Value = "输入位于已知点 A 的外方位角 :";
inline constexpr const char* kT0Confirm = "确认输入的外方位角是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kT0Reentry = "输入正确的外方位角  :";
inline constexpr const char* kQaValue = "输入位于已知点 A 的定向角 :";
inline constexpr const char* kQaFirstConfirm = "确认输入的定向角是否正确 ? 输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kQaReentry = "输入正确的定向角 :";
inline constexpr const char* kQaConfirm = "确认输入的定向角是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";

// Point names.
inline constexpr const char* kStartName = "输入起算点 A 的点名 :";
inline constexpr const char* kNameConfirm = "确认输入的点名是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kNameReentry = "输入正确的点名 :";
inline constexpr const char* kChainNameBefore = "依次输入第";
inline constexpr const char* kChainNameAfter = "待定点的点名 :";
inline constexpr const char* kClosureName = "输入闭合点的点名 :";
inline constexpr const char* kClosureReentry = "输入闭合点正确的点名 :";

// Observations.
inline constexpr const char* kTriangleBefore = "输入第 ";
inline constexpr const char* kDistanceAngleAfter = " 个三角形的求距角 :";
inline constexpr const char* kDistanceAngleConfirm = "确认输入的求距角是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kDistanceAngleReentry = "输入正确的求距角 :";
inline constexpr const char* kForwardAngleAfter = " 个三角形的前进角 :";
inline constexpr const char* kForwardAngleConfirm = "确认输入的前进角是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kForwardAngleReentry = "输入正确的前进角 :";
inline constexpr const char* kCentralAngleAfter = " 个三角形的中心角 :";
inline constexpr const char* kCentralAngleConfirm = "确认输入的中心角是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kCentralAngleReentry = "输入正确的中心角 :";
inline constexpr const char* kFirstSide = "现在输入第 1 条观测边长 :";
inline constexpr const char* kSideConfirm = "确认输入的边长是否正确 ?  输入正确单击 Enter 键 , 错误输入零 ( 即: 0 )";
inline constexpr const char* kSideReentry = "输入正确的边长值 :";
inline constexpr const char* kMiddleSideBefore = "现在输入第 ";
inline constexpr const char* kMiddleSideAfter = " 条边长 :";
inline constexpr const char* kLastSideBefore = "输入第 ";
inline constexpr const char* kLastSideConfirm =
    "确认输入的观测边长是否正确 ?  输入正确按 Enter 键或 OK 键 ( 即: Enter 键或 OK 键 ) ,  输入错误按零 ( 即: 0 )";
inline constexpr const char* kLastSideTitle = "观测边";

// Pauses.
inline constexpr const char* kSideMisclosurePause = "按 Enter 键显示边条件闭合差";
inline constexpr const char* kResultPause = "按 Enter 键( 或 OK 键 )输出结果 :";

// Messages of refused values.
inline constexpr const char* kTypeMismatch = "类型不匹配 (type mismatch)：输入的不是数值，请重新输入。";
inline constexpr const char* kNumberOverflow = "溢出 (overflow)：输入的数值超出范围，请重新输入。";
inline constexpr const char* kTriangleCountRange = "三角形个数必须是 3 到 6553 之间的整数，请重新输入。";
inline constexpr const char* kToleranceNotPositive = "测角限差必须大于 0，请重新输入。";
inline constexpr const char* kPointBHalfKnown = "B 点的纵座标和横座标必须同时为零（B 点不是已知点）或同时不为零，请重新输入 B 点座标。";
inline constexpr const char* kPointCHalfKnown = "C 点的纵座标和横座标必须同时为零（C 点不是已知点）或同时不为零，请重新输入 C 点座标。";
inline constexpr const char* kAbandoned = "输入已结束，计算已放弃，没有结果。";

}  // namespace kestrane::texts
