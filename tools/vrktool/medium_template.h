// The starting medium that `vrktool init` writes: every text is GBK (this source is
// UTF-8 and compiled with -fexec-charset=GBK), with CR LF line ends as Windows editors
// write them. docs/medium.md explains every file and key.
#pragma once

#include <string_view>

namespace yv::vrktool::medium_template {

constexpr std::string_view kSetupIni =
    "; 启动设置：安装程序先读这个文件，没有它就直接退出。\r\n"
    "[info]\r\n"
    "; 安装后的主程序文件名（它的 App Paths 注册项以此命名）\r\n"
    "name=demo.exe\r\n"
    "; 产品名：只有 Yorvane 会查找已安装的旧版本\r\n"
    "product=Yorvane\r\n";

constexpr std::string_view kInstallIni =
    "; 安装说明文件：安装什么、装到哪里、建哪些快捷方式。\r\n"
    "; 以分号开头的行是注释。文字都是 GBK 编码。\r\n"
    "[info]\r\n"
    "; 向导标题\r\n"
    "title=演示产品安装\r\n"
    "; 默认安装文件夹\r\n"
    "path=C:\\demo\r\n"
    "; 默认程序组（开始菜单文件夹），也是卸载项的名字\r\n"
    "group=演示产品\r\n"
    "; 卸载项显示的版本号和发行者；不写时为 3.0 和 Orvanet\r\n"
    "version=1.0\r\n"
    "publisher=演示公司\r\n"
    "; 组件数（最多 5 个），以及每个组件的名称\r\n"
    "parts=1\r\n"
    "part0=主程序\r\n"
    "; 不复制文件、不删除旧文件夹\r\n"
    "copy=0\r\n"
    "delete=0\r\n"
    "\r\n"
    "; 组件 0 的压缩包，每行一个：左边是压缩包文件名，右边是目标（. 是安装文件夹本身）\r\n"
    "[part0]\r\n"
    "program.vrk=.\r\n"
    "\r\n"
    "; 安装后在安装文件夹里建立的子文件夹\r\n"
    "[directory]\r\n"
    "d1=data\r\n"
    "\r\n"
    "; 程序组里的快捷方式：左边是名称，右边是安装文件夹里的目标\r\n"
    "[ico]\r\n"
    "演示程序=demo.exe\r\n"
    "说明=readme.txt\r\n"
    "\r\n"
    "; 桌面快捷方式\r\n"
    "[desktop]\r\n"
    "演示程序=demo.exe\r\n";

constexpr std::string_view kLicence =
    "演示产品许可协议\r\n"
    "\r\n"
    "这是安装介质的示例许可协议。请换成你的产品的许可协议。\r\n";

// Shown while component 0 installs, and (ad4.txt) on the last page.
constexpr std::string_view kComponentText = "正在安装主程序，请稍候。\r\n";
constexpr std::string_view kLastPageText = "安装完成。感谢使用演示产品。\r\n";

// The folder that program.vrk is packed from: src/program of the medium.
constexpr std::string_view kProgramReadme =
    "演示产品\r\n"
    "\r\n"
    "这是示例文件。把这个文件夹换成你的产品文件，再用 vrktool pack 打包。\r\n";
constexpr std::string_view kProgramStandIn = "This stands in for the product's main program.\r\n";
constexpr std::string_view kDataReadme = "数据文件夹。\r\n";

}  // namespace yv::vrktool::medium_template
