#pragma once

// Where the log is kept when no /F names one: beside the program for a portable copy, in the
// user's own local application data for an installed one, whose folder the user cannot write.

#include <string>

struct DefaultLogFacts {
    std::string ProgramFolder;      // without the last backslash; empty when unknown
    bool LogBesideProgram = false;  // worktaly.dat exists in ProgramFolder
    bool ProgramFolderWritable = false;
    std::string LocalAppData;  // the user's local application data; empty when unknown
};

struct DefaultLogChoice {
    std::string Path;
    std::string FolderToMake;  // the folder to create before the log is written; empty: none
};

inline constexpr char kLocalLogFolderName[] = "Worktally";

DefaultLogChoice ChooseDefaultLog(const DefaultLogFacts& facts);
