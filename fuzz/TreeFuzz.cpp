// The tree builder on any log bytes and any stored password: the model is well linked, and it
// matches the slow literal builder node for node whenever that one is quick enough to run.

#include <cmath>
#include <string>

#include "FuzzSupport.h"
#include "core/settings/PasswordCodec.h"
#include "unit/support/ReferenceTree.h"
#include "core/tree/LogTree.h"

namespace {

// The reference finds every parent by a scan, so it only runs on trees of this size or less.
constexpr std::size_t kReferenceNodeLimit = 3000;

ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

// Nodes the builder will create at most: four per day piece of the accepted pairs.
std::size_t NodeEstimate(const std::string& log, const std::string& password) {
    std::size_t nodes = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(log.data());
    for (std::size_t pair = 0; (pair + 1) * 16 <= log.size(); ++pair) {
        const auto number = static_cast<std::int32_t>(2 * pair);
        const double start = UnscrambleRecord(password, number, LoadRecordBytes(bytes + 16 * pair));
        const double end =
            UnscrambleRecord(password, number + 1, LoadRecordBytes(bytes + 16 * pair + 8));
        if (!(end >= start) || start < kFirstLogDate || end >= kLastLogDateEnd ||
            end - start > kMaxPairDays)
            break;
        const double pieces = std::ceil(end) - std::floor(start);
        nodes += 4 * static_cast<std::size_t>(pieces < 1 ? 1 : pieces);
    }
    return nodes;
}

// Parents come first, and the child lists hold each node once, in creation order.
void CheckLinks(const LogTree& tree) {
    const auto count = static_cast<std::int32_t>(tree.Nodes.size());
    std::vector<int> seen(tree.Nodes.size(), 0);
    // The last node of the list.
    auto walk = [&](std::int32_t first, std::int32_t parent) {
        std::int32_t previous = -1;
        for (std::int32_t n = first; n >= 0;
             n = tree.Nodes[static_cast<std::size_t>(n)].NextSibling) {
            FUZZ_CHECK(n < count && n > previous);
            FUZZ_CHECK(tree.Nodes[static_cast<std::size_t>(n)].Parent == parent);
            ++seen[static_cast<std::size_t>(n)];
            previous = n;
        }
        return previous;
    };
    FUZZ_CHECK(walk(tree.FirstTop, -1) == tree.LastTop);
    for (std::int32_t i = 0; i < count; ++i) {
        const LogTreeNode& node = tree.Nodes[static_cast<std::size_t>(i)];
        FUZZ_CHECK(node.Parent < i);
        walk(node.FirstChild, i);
    }
    for (int s : seen) FUZZ_CHECK(s == 1);
}

void CheckSameAsReference(const LogTree& tree, const reference::Result& expected,
                          const LocaleFormats& formats) {
    FUZZ_CHECK(tree.Failed == expected.Failed);
    FUZZ_CHECK(tree.Nodes.size() == expected.Nodes.size());
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        const LogTreeNode& node = tree.Nodes[i];
        const reference::Node& other = *expected.Nodes[i];
        FUZZ_CHECK(node.Parent == (other.Parent ? other.Parent->Index : -1));
        FUZZ_CHECK(node.Info.Kind == other.Data->Kind);
        FUZZ_CHECK(Bits(node.Info.StartTime) == Bits(other.Data->StartTime));
        FUZZ_CHECK(Bits(node.Info.Duration) == Bits(other.Data->Duration));
        if (tree.Complete)
            FUZZ_CHECK(tree.NodeText(static_cast<std::int32_t>(i), formats) == other.Text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const std::string password = in.Text(80);
    const double today = in.Double();
    const std::uint8_t flags = in.Byte();
    const std::string log = in.Rest();

    const std::string path = Scratch().LogPath();
    const bool noFile = (flags & 1) != 0;
    if (noFile) {
        NativeFileSystem().Remove(path);
    } else {
        WriteWholeFile(path, log);
    }

    const LocaleFormats formats;
    const LogTarget target{path, password};
    const LogTree tree = BuildLogTree(NativeFileSystem(), target, today);
    CheckLinks(tree);
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(tree.Nodes.size()); ++i) {
        (void)tree.NodeText(i, formats);
    }
    // No log yet in a folder that exists: an empty log, not a read error.
    if (noFile) FUZZ_CHECK(tree.Failed == LogTree::Failure::None && tree.Nodes.empty());
    if (tree.Failed == LogTree::Failure::None)
        FUZZ_CHECK(tree.Complete && (noFile || log.size() % 16 == 0));

    if (!noFile && NodeEstimate(log, password) <= kReferenceNodeLimit) {
        const reference::Result expected =
            reference::BuildLogTree(NativeFileSystem(), target, formats);
        CheckSameAsReference(tree, expected, formats);
        // The status bar's total, from the one list of days, is the reference's.
        const auto status = StatusText(ReadLogTotals(NativeFileSystem(), target), formats);
        FUZZ_CHECK(status.has_value() == expected.StatusSet);
        if (status) FUZZ_CHECK(*status == expected.Status);
    }
    // The log is only read.
    if (!noFile) FUZZ_CHECK(ReadWholeFile(path) == log);
    return 0;
}
