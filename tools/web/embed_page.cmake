# Writes OUTPUT, a C++ source that defines tools::pageFiles() with the bytes
# of every file in FILES (a list of paths under DIRECTORY):
#   cmake -DDIRECTORY=... -DFILES=index.html,app.js -DOUTPUT=... -P embed_page.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(arrays "")
set(entries "")
set(number 0)
foreach(name IN LISTS FILES)
  file(READ "${DIRECTORY}/${name}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "constexpr char kFile${number}[] = {${bytes} 0};\n")
  if(name MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(name MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  elseif(name MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(name MATCHES "\\.svg$")
    set(type "image/svg+xml")
  else()
    set(type "application/octet-stream")
  endif()
  string(APPEND entries "    {\"/${name}\", \"${type}\", std::string_view(kFile${number}, ${size})},\n")
  math(EXPR number "${number} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by tools/web/embed_page.cmake from tools/web/page/; do not edit.
#include \"tools/web/page_files.h\"

namespace tools {
namespace {
${arrays}
constexpr PageFile kPageFiles[] = {
${entries}};
}  // namespace

std::span<const PageFile> pageFiles() {
    return kPageFiles;
}

}  // namespace tools
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
