#pragma once

#include <string>

namespace platform {

// The whole command line of this process as one text, the way a console shows
// it: the program path and every argument joined by single blanks, an argument
// that is empty or holds a blank or a tab wrapped in double quotes.
std::string processCommandLine();

}  // namespace platform
