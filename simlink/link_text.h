#pragma once

// The text form of the simulator link: lines of TAB-separated fields, shared
// by the program's stand-in client library and the simulator's side so that
// both write and read numbers and fields the same way. The format itself is
// described in docs/simulator-link.md.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace simlink {

constexpr char kFieldSeparator = '\t';
constexpr char kLineEnd = '\n';

// The longest line either side accepts, line end excluded. The longest real
// message is a weather observation of up to 2000 bytes; the margin lets a
// simulator send long definitions, while a peer that never ends its line
// cannot make the reader's buffer grow without bound.
constexpr std::size_t kMaxLineBytes = 64 * 1024;

// The fields of one line (its line end already removed).
std::vector<std::string_view> splitFields(std::string_view line);

// `text` made fit for one field: every TAB, carriage return and line feed
// becomes a blank, since none may appear inside a field.
std::string fieldText(std::string_view text);

// Number fields. Ids are unsigned 32-bit decimals; the parsers accept a
// number only when it fills the whole field and fits the type.
std::string formatId(std::uint32_t value);
std::string formatDouble(double value);  // "%.17g": reads back to the same bits
std::string formatFloat(float value);    // "%.9g": reads back to the same bits
bool parseId(std::string_view field, std::uint32_t& value);
bool parseDouble(std::string_view field, double& value);
bool parseFloat(std::string_view field, float& value);

// Collects the bytes of a stream and hands out its complete lines. A line
// longer than kMaxLineBytes is dropped whole and counted instead.
//
// Thread safety: none; each reader owns its own.
class LineAssembler {
  public:
    // Appends `bytes` and moves every line they complete to `lines`, without
    // its line end (nor a carriage return before it).
    void append(std::string_view bytes, std::vector<std::string>& lines);

    // Lines dropped for their length since the last call.
    std::size_t takeOverlongCount();

    // True while an unfinished line waits for its end.
    bool hasPartialLine() const { return !partial_.empty() || discarding_; }

    void clear();

  private:
    std::string partial_;
    bool discarding_ = false;  // inside an overlong line, until its end
    std::size_t overlong_ = 0;
};

}  // namespace simlink
