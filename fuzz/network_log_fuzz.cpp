// corvessa-netlog's reading of any log content, in every output format.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tools/netlog/log_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> log(data, size);
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
            tools::faultText("network.log", found);
            break;
        }
        summary.add(record);
        for (const tools::OutputFormat format :
             {tools::OutputFormat::Text, tools::OutputFormat::Json, tools::OutputFormat::Csv}) {
            tools::formatRecord(record, format);
        }
    }
    tools::summaryText(summary);
    tools::summaryJson(summary, fault);
    return 0;
}
