#pragma once
// The texts the reports show the operator, word for word.

namespace trawler::reports::messages {

inline constexpr const char* kNoDatabase = "You haven't set the Database to be analysed.";
inline constexpr const char* kNoRecords = "没有符合条件的记录.";
// In place of kNoRecords while a parse run is still writing the database.
inline constexpr const char* kParseWriting = "正在解析写入此数据库, 结果在解析完成后出现";
inline constexpr const char* kParseWritingCli =
    "A parse is writing this database; its rows appear here when it has finished.";

inline constexpr const char* kIpMacInserted = "Insert record succeed.";
inline constexpr const char* kIpMacExists = "The ip and its mac have existed in the database.";
inline constexpr const char* kIpMacNotIncluded =
    "This ip has not been included in the database.Please insert it using the insert menu.";
inline constexpr const char* kIpMacUpdated = "Record Update succeed.";

// A share chart that draws nothing says why.
inline constexpr const char* kChartNoPositiveTotal = "不画饼图: 总量不是正数";
inline constexpr const char* kChartBelowThreshold = "不画饼图: 最大的一项也低于 ";

} // namespace trawler::reports::messages
