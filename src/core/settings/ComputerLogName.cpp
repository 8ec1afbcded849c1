#include "core/settings/ComputerLogName.h"

#include <exception>
#include <string_view>

namespace {

constexpr std::size_t kIdDigits = 8;
constexpr char kHexDigits[] = "0123456789abcdef";

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char LowerHex(char c) {
    return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Exactly 8 hex digits, lower-cased; nullopt otherwise.
std::optional<std::string> IdFromText(const std::string& text) {
    if (text.size() != kIdDigits) return std::nullopt;
    std::string id;
    for (const char c : text) {
        if (!IsHexDigit(c)) return std::nullopt;
        id += LowerHex(c);
    }
    return id;
}

std::string IdFromNumber(std::uint32_t number) {
    std::string id(kIdDigits, '0');
    for (std::size_t digit = kIdDigits; digit-- > 0; number >>= 4)
        id[digit] = kHexDigits[number & 15];
    return id;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The computer's name as a part of a file name: no blanks around it, and no character that a
// Windows file name cannot hold.
std::string NamePart(const std::string& computerName) {
    std::size_t first = 0;
    std::size_t last = computerName.size();
    while (first < last && IsBlank(computerName[first])) ++first;
    while (last > first && IsBlank(computerName[last - 1])) --last;
    std::string name = computerName.substr(first, last - first);
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            c = '_';
    }
    return name.empty() ? "Computer" : name;
}

// The stored id when it is usable; a fresh one, stored, otherwise. A store that cannot be read
// keeps what it holds: overwriting a good id after a passing failure would start a new file.
ComputerLogName KeptId(SettingsStore& store, const std::function<std::uint32_t()>& random) {
    ComputerLogName result;
    try {
        store.Open();
    } catch (const std::exception&) {
        result.Id = IdFromNumber(random());
        result.IdKept = false;
        return result;
    }
    try {
        const std::optional<SettingsStore::Value> value =
            store.Query(kSettingsSection, kComputerIdValue);
        std::optional<std::string> kept;
        if (value && value->Type != SettingsStore::ValueType::Other)
            kept = IdFromText(value->Data.substr(0, value->Data.find('\0')));
        if (kept) {
            result.Id = *kept;
        } else {
            result.Id = IdFromNumber(random());
            WriteString(store, kSettingsSection, kComputerIdValue, result.Id);
        }
    } catch (const std::exception&) {
        if (result.Id.empty()) result.Id = IdFromNumber(random());
        result.IdKept = false;
    }
    store.Close();
    return result;
}

}  // namespace

std::optional<std::string> IdFromMachineGuid(const std::string& guid) {
    std::size_t first = 0;
    while (first < guid.size() && IsBlank(guid[first])) ++first;
    if (first < guid.size() && guid[first] == '{') ++first;
    if (guid.size() - first < kIdDigits) return std::nullopt;
    std::optional<std::string> id = IdFromText(guid.substr(first, kIdDigits));
    // A zeroed GUID is a placeholder that many machines share.
    if (!id || *id == std::string(kIdDigits, '0')) return std::nullopt;
    return id;
}

ComputerLogName MakeComputerLogName(const MachineFacts& facts, SettingsStore& store,
                                    const std::function<std::uint32_t()>& random) {
    ComputerLogName result;
    const std::optional<std::string> fromGuid =
        facts.MachineGuid ? IdFromMachineGuid(*facts.MachineGuid) : std::nullopt;
    if (fromGuid) {
        result.Id = *fromGuid;
    } else {
        result = KeptId(store, random);
    }
    result.FileName = NamePart(facts.ComputerName) + '-' + result.Id + ".dat";
    return result;
}
