#pragma once

// The page's own files (HTML, CSS, JavaScript), built into the program from
// tools/web/page/ so that corvessa-web is one file and fetches nothing.
//
// Thread safety: constant data.

#include <span>
#include <string_view>

namespace tools {

struct PageFile {
    std::string_view path;  // "/index.html", "/app.js", ...
    std::string_view contentType;
    std::string_view body;
};

std::span<const PageFile> pageFiles();

}  // namespace tools
