#include "frontends/qt/HelpDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kestrane {

namespace {

const char* const kGuide = R"(
<h2>Kestrane 使用说明</h2>
<p>Kestrane 按条件平差严密计算中心多边形边角网：一个中心点，周围 n 个三角形，
每个三角形的三个角和图形的每条边都已观测。网与已知点 A 联系，用 A 点的外方位角 T0
和定向角 Qa 定向，或者用第二个已知点（外围点 B 或中心点 C）定向。</p>

<h3>输入的顺序</h3>
<ol>
<li>三角形个数 n（3 到 6553）和规范规定的测角限差（秒）；这两项不需要确认。</li>
<li>已知点 A 的纵座标 X 和横座标 Y（米）。</li>
<li>B 点的座标；B 不是已知点时 X、Y 都输入 0。B 不是已知点时再输入 C 点（中心点）的座标，
不是已知点也输入两个 0。</li>
<li>只已知 A 点时：外方位角 T0 和定向角 Qa。</li>
<li>点名：起算点 A，依次输入各待定点，最后是闭合点（再次为 A，或者 B，或者 C）。</li>
<li>每个三角形的三个角：求距角 a（在前一个外围点）、前进角 b（在后一个外围点）、
中心角 c（在中心点）。每输完一个三角形，窗口显示它的闭合差。</li>
<li>边长 s(1) … s(2n)：s(2i−1)、s(2i+1) 是第 i 个三角形的两条辐射边，s(2i) 是它的外围边。
由已知座标算出的边（已知 B 时的 s(2n)，已知 C 时的 s(1)）不输入。</li>
</ol>
<p>然后程序逐个显示边条件闭合差、圆周条件闭合差、精度评定，最后一行一行显示各点的平差座标。</p>

<h3>角度的写法</h3>
<p>角度用“度.分秒”写成一个数：<b>58.2736</b> 是 58°27′36″，<b>58.27365</b> 是 58°27′36.5″。
分和秒各占两位数字。</p>

<h3>确认</h3>
<p>除三角形个数和测角限差以外，每个输入的数值都显示在窗口中并要求确认：
直接按 Enter（或“确定”）表示正确；输入 <b>0</b> 表示错误，重新输入这个数值。
在需要数值的对话框中按“取消”，程序询问是否放弃本次计算；选择“保存并放弃”
可以先把已输入的数据保存到观测数据文件，以后打开这个文件从中断处继续。</p>

<h3>观测数据文件</h3>
<p>“文件 → 打开观测数据”读入一个 <code>*.kestrane.toml</code> 文件，并立即用其中的数值计算，
不再一个个询问；文件不完整时，程序从文件结束处继续询问。
“文件 → 保存观测数据”把上一次计算中已输入的全部数值写入文件，可以用文本编辑器修改后再打开。
“打开示例”中有各种已知点情形的示例网。“导出结果 (CSV)”把各点的平差座标写成电子表格可读的 CSV 文件。</p>
<p>程序意外退出（断电、被强行关闭）时，正在输入的数据已保存在恢复文件中；
下次启动时程序会询问是否继续这次计算。</p>

<h3>编辑</h3>
<p>“编辑 → 观测数据”（Ctrl+E）列出当前观测数据的全部数值：三角形个数（不可修改）、测角限差、
A、B、C 的座标、T0 和 Qa、点名、各三角形的三个角、边长和平差设置。每个单元格按输入时的规则检查，
有错的单元格用红框标出，原因见其提示。“重新计算”（Ctrl+R）不再询问，直接用表中的数值计算；
勾选“自动计算”后，每次修改都立即重新计算。Ctrl+Z 撤销，Ctrl+Y 重做；可以从电子表格粘贴一列或一块数值。
文件不完整时，“继续输入”从第一个缺少的数值处接着询问。在质量检核窗口中双击有粗差嫌疑的观测值，
在编辑窗口中打开它。</p>

<h3>状态栏、未保存的修改和最近打开的文件</h3>
<p>窗口下方的状态栏显示当前观测数据文件的名称；在编辑窗口中修改后还没有保存时，名称后面有一个 ● 标记。
每次保存观测数据、导出结果、保存 PDF 文件或导出网图以后，状态栏显示“已保存”和文件的路径；
送往打印机时显示打印机的名称。保存对话框给出的文件名跟随观测数据文件的名称，
例如 town.kestrane.toml 的成果表为 town.csv，报告为 town.pdf，网图为 town.svg。</p>
<p>有未保存的修改时，打开另一个文件、“开始计算”、“文件 → 退出”（Ctrl+Q）和关闭窗口以前，
程序先询问：“保存”先保存观测数据（保存被取消或没有成功时不再继续），“不保存”放弃修改，
“取消”回到窗口。只有在编辑窗口中做的修改算未保存的修改，一个个输入的计算不算。
“退出计算”按钮总是立即结束程序，不询问。未保存的修改同时保存在恢复文件中，
程序意外退出后，下次启动时询问是否恢复。</p>
<p>“文件 → 最近打开的文件”列出最近打开或保存的观测数据文件（最多 8 个，最近的在前），
下次启动程序时仍然保留；已经不存在的文件在选择时报告，并从列表中去掉。</p>

<h3>查看</h3>
<p>“查看 → 点位精度表”列出各点的平差座标、权倒数 1/px、1/py、中误差 mx、my、点位中误差 mp
和误差椭圆（长半轴 E、短半轴 F、E 的方位角 φ）；点击列标题排序，Ctrl+C 复制选中的单元格。
“查看 → 网图”按比例绘出平差后的网和放大的误差椭圆，可以缩放、拖动、导出和打印。
“查看 → 质量检核”检核上一次完成的计算（见下）。</p>
<p>在点位精度表中选中一行，网图中就用蓝圈标出该点并把它移到中间。网图缩小时，
放不下而会互相重叠的点名暂不显示，放大后逐步显示；导出和打印的网图总有全部点名。
误差椭圆比例尺取 1、2 或 5 乘以 10 的整数次方毫米，长度不少于 40 像素。
表上方的一行同时写出最弱点（外点 ⌈n/2⌉）和点位中误差最大的点。</p>
<p>窗口中本次计算还没有写到的数值（例如上一个网的 T0、Qa，或放弃的计算留下的结果）
用灰色显示，提示为“上一次计算的结果”，直到本次计算重新写出为止。
最弱点的五个数值的提示写出该点的点名和它是第几个外点。窗口比屏幕小时可以滚动。</p>
<p>三角形多于 500 个时，点位精度表、网图、质量检核和编辑后的重新计算在后台进行，
状态栏显示进度和“取消”按钮；取消后窗口仍显示原来的结果。</p>

<h3>质量检核与平差设置</h3>
<p>质量检核总是按严密定权计算：各条件闭合差与其限差（两倍中误差）比较，
验后单位权中误差和 χ² 全局检验，每个观测值的多余观测分量 r、检验值 w（|w| &gt; 3.29 为粗差嫌疑，
r &lt; 0.1 为检核不足）、粗差估值 ∇ 和最小可探测粗差，各边的相对中误差，以及严密平差座标与所示座标之差。
有粗差嫌疑时先处理 |w| 最大的观测值，每次只剔除或重测一个，再重新计算。</p>
<p>“计算 → 平差设置”选择定权方式（按限差定权 / 严密定权）和先验的测角中误差、测边中误差
（毫米，或毫米 + ppm）。默认按限差定权，成果与以往完全相同。</p>

<h3>成果表 (CSV) 的列</h3>
<p>点名, X, Y（米，3 位小数）, 1/px, 1/py（4 位小数）, mx, my, mp, E, F（毫米，2 位小数）,
φ（度.分秒，4 位小数）。已知点各精度列为 0。</p>

<h3>快捷键</h3>
<p>Ctrl+O 打开观测数据，Ctrl+S 保存观测数据，Ctrl+P 打印，Ctrl+Q 退出，Ctrl+E 编辑观测数据，
Ctrl+R 重新计算（编辑窗口），Ctrl+Z / Ctrl+Y 撤销 / 重做，Esc 或 Ctrl+W 关闭质量检核窗口。</p>

<h3>打印</h3>
<p>“打 印”按钮（或“文件 → 打印”）打印上一次完成的计算的报告：已知数据、观测边长和平差边长、
观测角、各组闭合差、法方程式联系数、平差座标和精度评定。没有安装打印机时，
可以把报告保存为 PDF 文件。</p>
)";

}  // namespace

void showGuide(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("guide"));
    dialog.setWindowTitle(QStringLiteral("使用说明"));
    auto* text = new QTextBrowser(&dialog);
    text->setHtml(QString::fromUtf8(kGuide));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(620, 520);
    dialog.exec();
}

void showAbout(QWidget* parent) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("关于 Kestrane"),
                    QStringLiteral("<b>Kestrane %1</b><br><br>"
                                   "中心多边形边角网条件平差计算。<br><br>"
                                   "版权所有 © Kestrane 开发者<br>"
                                   "按 MIT 许可证发布，可以自由使用、复制、修改和分发。")
                        .arg(QStringLiteral(KESTRANE_VERSION)),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("about"));
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

}  // namespace kestrane
