// corvessa-netlog: prints the records of a relay's "network.log", one line
// each, then a summary; the exit status tells whether the file is whole.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regular_file.h"
#include "tools/netlog/log_reader.h"

namespace {

// Exit statuses: the file is whole; the file has a fault; the command line
// or the file cannot be used at all.
constexpr int kExitWhole = 0;
constexpr int kExitFault = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: corvessa-netlog FILE [--format text|json|csv]\n"
    "\n"
    "Prints every record of a relay network log (\"network.log\"), one line each,\n"
    "then a summary: the records of each type and kind, the first and last time.\n"
    "\n"
    "  --format text   readable lines, then the summary (the default)\n"
    "  --format json   one JSON object per line, the last one the summary\n"
    "  --format csv    a header line and one row per record; the summary goes\n"
    "                  to standard error\n"
    "  --help          this text\n"
    "\n"
    "Exit status: 0 the file is whole, 1 an unknown record type or a record cut\n"
    "short (reported with its byte offset), 2 a bad command line or an\n"
    "unreadable file.\n";

struct Arguments {
    std::string file;
    tools::OutputFormat format = tools::OutputFormat::Text;
    bool help = false;
};

bool parseArguments(int argc, char** argv, Arguments* arguments) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            arguments->help = true;
        } else if (argument == "--format" && i + 1 < argc) {
            if (!tools::parseOutputFormat(argv[++i], &arguments->format)) {
                std::fprintf(stderr, "corvessa-netlog: unknown format '%s'\n", argv[i]);
                return false;
            }
        } else if (argument.starts_with("-")) {
            std::fprintf(stderr, "corvessa-netlog: unknown option '%s'\n", argv[i]);
            return false;
        } else if (arguments->file.empty()) {
            arguments->file = argument;
        } else {
            std::fprintf(stderr, "corvessa-netlog: only one file at a time\n");
            return false;
        }
    }
    if (!arguments->help && arguments->file.empty()) {
        std::fprintf(stderr, "corvessa-netlog: no file given\n");
        return false;
    }
    return true;
}

// Only a regular file is read: a folder, a FIFO or a device such as
// /dev/zero cannot be read to an end. A log larger than this is no log the
// relay wrote in any flight (about 18 MB an hour at 50 records a second).
// (A 32-bit program's sizes end one byte short of it.)
constexpr std::size_t kMaxLogBytes =
    static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t{1} << 32, SIZE_MAX));

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
    const platform::OpenedFile opened = platform::openRegularFile(path);
    if (opened.file == nullptr) {
        return false;
    }
    std::vector<char> read;
    bool cutShort = false;
    if (!platform::readAtMost(opened.file.get(), kMaxLogBytes, read, cutShort) || cutShort) {
        return false;
    }
    bytes->assign(read.begin(), read.end());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!parseArguments(argc, argv, &arguments)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (arguments.help) {
        std::fputs(kUsage, stdout);
        return kExitWhole;
    }
    std::vector<std::uint8_t> log;
    if (!readWholeFile(arguments.file, &log)) {
        std::fprintf(stderr, "corvessa-netlog: cannot read '%s'\n", arguments.file.c_str());
        return kExitUsage;
    }

    const tools::OutputFormat format = arguments.format;
    if (format == tools::OutputFormat::Csv) {
        std::printf("%s\n", tools::logCsvHeader().c_str());
    }
    tools::LogSummary summary;
    std::optional<tools::LogFault> fault;
    std::size_t offset = 0;
    for (;;) {
        tools::LogRecord record;
        tools::LogFault found;
        const tools::ReadResult result = tools::readRecord(log, &offset, &record, &found);
        if (result == tools::ReadResult::End) {
            break;
        }
        if (result == tools::ReadResult::Fault) {
            fault = found;
            break;
        }
        summary.add(record);
        std::printf("%s\n", tools::formatRecord(record, format).c_str());
    }

    switch (format) {
        case tools::OutputFormat::Text:
            std::printf("\n%s", tools::summaryText(summary).c_str());
            break;
        case tools::OutputFormat::Json:
            std::printf("%s\n", tools::summaryJson(summary, fault).c_str());
            break;
        case tools::OutputFormat::Csv:
            std::fputs(tools::summaryText(summary).c_str(), stderr);
            break;
    }
    if (fault) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", tools::faultText(arguments.file, *fault).c_str());
        return kExitFault;
    }
    return kExitWhole;
}
