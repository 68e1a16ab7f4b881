#include <conio.h>
#include <windows.h>

#include "platform/keyboard.h"

namespace platform {

struct Keyboard::Saved {
    DWORD mode;
};

std::unique_ptr<Keyboard> Keyboard::open() {
    // The console delivers single keys unechoed through _getch, whatever its
    // mode; keys come only from a console, never from a pipe or a file.
    auto saved = std::make_unique<Saved>();
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &saved->mode) == 0) {
        return nullptr;
    }
    return std::unique_ptr<Keyboard>(new Keyboard(std::move(saved)));
}

Keyboard::Keyboard(std::unique_ptr<Saved> saved) : saved_(std::move(saved)) {}

Keyboard::~Keyboard() {
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), saved_->mode);
}

int Keyboard::readKey() {
    if (_kbhit() == 0) {
        return -1;
    }
    return _getch();
}

}  // namespace platform
