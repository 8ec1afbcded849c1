#include "core/reports/FolderTexts.h"

std::string FolderStatusText(const FolderUnion& logs) {
    if (!logs.Listed) {
        return "Cannot read the folder" +
               (logs.ListFailure.empty() ? std::string() : ": " + logs.ListFailure);
    }
    const std::size_t counted = logs.CountedLogs();
    std::string text = counted == 0   ? std::string("No logs")
                       : counted == 1 ? std::string("1 log")
                                      : std::to_string(counted) + " logs";
    const std::vector<std::string> leftOut = logs.LeftOutNames();
    if (!leftOut.empty()) {
        text += "; left out: ";
        for (std::size_t i = 0; i < leftOut.size(); ++i) text += (i ? ", " : "") + leftOut[i];
    }
    return text;
}

std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text;
}

std::string OtherLogsStayText(const std::vector<std::string>& otherLogs) {
    if (otherLogs.empty()) return std::string();
    return "Only this computer's log changes: the time that " + NameList(otherLogs) +
           (otherLogs.size() == 1 ? " holds" : " hold") + " in it stays.";
}

std::string OtherLogsLeftOutText(const std::vector<std::string>& otherLogs) {
    if (otherLogs.empty()) return std::string();
    if (otherLogs.size() == 1) {
        return "The log " + otherLogs.front() +
               " keeps the old password: it is left out until its computer changes the password "
               "too.";
    }
    return "The logs " + NameList(otherLogs) +
           " keep the old password: they are left out until their computers change the password "
           "too.";
}
