#include "simlink/link_text.h"

#include <charconv>
#include <cstdio>

#include "monitor/decimal_number.h"
#include "monitor/truncation.h"

namespace simlink {

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find(kFieldSeparator);
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

std::string fieldText(std::string_view text) {
    std::string field(text);
    for (char& c : field) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return field;
}

std::string formatId(std::uint32_t value) {
    return std::to_string(value);
}

std::string formatDouble(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string formatFloat(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

bool parseId(std::string_view field, std::uint32_t& value) {
    const char* end = field.data() + field.size();
    const auto result = std::from_chars(field.data(), end, value, 10);
    return !field.empty() && result.ec == std::errc{} && result.ptr == end;
}

bool parseDouble(std::string_view field, double& value) {
    // The whole field in decimal form: a hexadecimal form, INF or NAN is no
    // value the link carries, nor is leading white space.
    if (field.empty() || isDecimalSpace(field.front())) {
        return false;
    }
    const DecimalNumber number = readDecimalNumber(field);
    if (number.length != field.size()) {
        return false;
    }
    value = number.value;
    return true;
}

bool parseFloat(std::string_view field, float& value) {
    double wide = 0.0;
    if (!parseDouble(field, wide)) {
        return false;
    }
    value = toFloat(wide);
    return true;
}

void LineAssembler::append(std::string_view bytes, std::vector<std::string>& lines) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find(kLineEnd);
        const std::string_view piece = bytes.substr(0, end);
        if (!discarding_) {
            partial_.append(piece);
            if (partial_.size() > kMaxLineBytes) {
                partial_.clear();
                partial_.shrink_to_fit();
                discarding_ = true;
                ++overlong_;
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        if (!discarding_) {
            if (!partial_.empty() && partial_.back() == '\r') {
                partial_.pop_back();
            }
            lines.push_back(std::move(partial_));
        }
        partial_.clear();
        discarding_ = false;
        bytes.remove_prefix(end + 1);
    }
}

std::size_t LineAssembler::takeOverlongCount() {
    const std::size_t count = overlong_;
    overlong_ = 0;
    return count;
}

void LineAssembler::clear() {
    partial_.clear();
    discarding_ = false;
    overlong_ = 0;
}

}  // namespace simlink
