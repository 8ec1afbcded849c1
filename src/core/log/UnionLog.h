#pragma once

// The union of a shared folder's logs as one log in memory, unscrambled: the tree, the totals
// and the export read it through the FileSystem seam exactly as they read a single log, and so
// show what a single log holding the union's spans would show.
//
//   union.Assign(reader.Read(NativeFileSystem(), folder, password).Spans);
//   builder.Build(union, UnionLog::kPath, "", today);  // the empty password: no scrambling

#include <memory>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/LogFolder.h"

class UnionLog final : public FileSystem {
  public:
    static constexpr char kPath[] = "union of the folder's logs";

    // Holds these spans as the log's pairs; keeps its memory for the next minute's union.
    void Assign(const std::vector<TimeSpan>& spans);

    // Every path opens the one log, for reading only: writing to it throws IoError.
    std::unique_ptr<LogFile> OpenExisting(const std::string& path) override;
    std::unique_ptr<LogFile> Create(const std::string& path) override;
    void Replace(const std::string& from, const std::string& to) override;
    void Remove(const std::string&) noexcept override {}
    bool Exists(const std::string&) override { return true; }
    std::vector<std::string> ListFiles(const std::string&) override { return {kPath}; }

  private:
    std::vector<unsigned char> bytes_;
};
