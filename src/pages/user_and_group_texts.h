// User-visible texts of the user information and program group pages (GBK in the program).
#pragma once

namespace yv::pages::texts {

// User information.
inline constexpr char kCompany[] = "公司";
inline constexpr char kName[] = "姓名";
inline constexpr char kRegistrationFailed[] = "注册失败!";

// Program group.
inline constexpr char kGroup[] = "程序组";
inline constexpr char kExistingGroups[] = "已存在的程序组";
inline constexpr char kNoGroupName[] = "您没有输入程序组的名称！";
inline constexpr char kNoGroupNameCaption[] = "Setup";
inline constexpr char kRegistryDamaged[] = "注册表已损坏,无法创建程序组。";
inline constexpr char kRegistryDamagedCaption[] = "提示";

}  // namespace yv::pages::texts
