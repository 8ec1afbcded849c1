#pragma once

// An in-memory settings store that can fail any of its operations on purpose.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/Settings.h"

class FakeSettingsStore : public SettingsStore {
  public:
    using Key = std::pair<std::string, std::string>;  // section, value name

    std::map<Key, Value> Values;
    bool FailOpen = false;
    std::optional<Key> FailQueryAt;  // Query of this value throws
    std::optional<Key> FailSetAt;    // SetString of this value throws
    bool IsOpen = false;
    int OpenCount = 0;
    int CloseCount = 0;
    std::vector<Key> Queried;  // every Query, in order
    std::vector<Key> Written;  // every successful SetString, in order

    // Stores the text as the registry would: its bytes and one NUL.
    void Put(const std::string& section, const std::string& name, const std::string& text) {
        Values[{section, name}] = Value{ValueType::String, text + '\0'};
    }
    void PutRaw(const std::string& section, const std::string& name, ValueType type,
                std::string data) {
        Values[{section, name}] = Value{type, std::move(data)};
    }
    // The stored text up to its NUL; nullopt when absent.
    std::optional<std::string> Text(const std::string& section, const std::string& name) const {
        const auto it = Values.find({section, name});
        if (it == Values.end()) return std::nullopt;
        return it->second.Data.substr(0, it->second.Data.find('\0'));
    }

    void Open() override {
        if (FailOpen) throw StoreError("open failed");
        IsOpen = true;
        ++OpenCount;
    }
    void Close() noexcept override {
        IsOpen = false;
        ++CloseCount;
    }
    std::optional<Value> Query(const std::string& section, const std::string& name) override {
        RequireOpen();
        Queried.emplace_back(section, name);
        if (FailQueryAt == Key{section, name}) throw StoreError("query failed");
        const auto it = Values.find({section, name});
        if (it == Values.end()) return std::nullopt;
        return it->second;
    }
    void SetString(const std::string& section, const std::string& name,
                   const std::string& text) override {
        RequireOpen();
        if (FailSetAt == Key{section, name}) throw StoreError("write failed");
        Put(section, name, text);
        Written.emplace_back(section, name);
    }

  private:
    void RequireOpen() const {
        if (!IsOpen) throw StoreError("store used while closed");
    }
};
