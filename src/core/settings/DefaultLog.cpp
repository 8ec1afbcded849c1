#include "core/settings/DefaultLog.h"

#include "core/settings/CommandLine.h"
#include "core/settings/ProgramState.h"

DefaultLogChoice ChooseDefaultLog(const DefaultLogFacts& facts) {
    const std::string beside = AddBackslash(facts.ProgramFolder) + kDefaultLogName;
    // An existing log keeps being used wherever it is; with no other place known the log stays
    // beside the program, where a failed write at least says why.
    if (facts.LogBesideProgram || facts.ProgramFolderWritable || facts.LocalAppData.empty())
        return {beside, {}};
    const std::string folder = AddBackslash(facts.LocalAppData) + kLocalLogFolderName;
    return {folder + "\\" + kDefaultLogName, folder};
}
