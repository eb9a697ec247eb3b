// User-visible texts of the components page, the directory chooser and the summary
// (GBK in the program).
#pragma once

namespace yv::pages::texts {

// Components and destination.
inline constexpr char kFolderGroup[] = "安装路径";
inline constexpr char kChooseFolder[] = "请选择安装目录: ";
inline constexpr char kBrowse[] = "浏览";
inline constexpr char kComponentsGroup[] = "安装组件";
inline constexpr char kAskFreshComponent[] = "您没有安装“%s”！\n请选择安装“%s”！";
inline constexpr char kAskOverwriteComponent[] = "您曾经安装“%s”！\n选择安装“%s”将会覆盖您原有文件！\n是否选择？";
inline constexpr char kNoComponent[] = "您没有选择安装选项，请选择！";
// A question that would not fit its 255 bytes is not asked in part.
inline constexpr char kQuestionTooLong[] =
    "产品名称和组件名称太长（超过255字节），无法询问是否安装该组件。\n请检查安装文件！";

// Directory chooser.
inline constexpr char kChooserCaption[] = "选择安装目录";
inline constexpr char kChooserLabel[] = "请选择安装目录";
inline constexpr char kOk[] = "确认";
inline constexpr char kCancel[] = "取消";
inline constexpr char kNoFolder[] = "您没有选择安装路径，请选择！";
inline constexpr char kFolderTooLong[] = "安装路径太长（超过255字节），请重新选择！";

// Summary.
inline constexpr char kSummaryIntro[] =
    "下面是您输入的安装信息，如需改变请按上一步，如确认并继续\r\n安装请按下一步。\r\n \r\n \r\n";
inline constexpr char kFolderHeading[] = "安装目录";
inline constexpr char kUserHeading[] = "用户信息";
inline constexpr char kNameLabel[] = "姓名：";
inline constexpr char kCompanyLabel[] = "公司：";
inline constexpr char kGroupHeading[] = "程序组";
inline constexpr char kComponentsHeading[] = "安装组件";

}  // namespace yv::pages::texts
