#include <termios.h>
#include <unistd.h>

#include "platform/keyboard.h"

namespace platform {

struct Keyboard::Saved {
    termios settings;
};

std::unique_ptr<Keyboard> Keyboard::open() {
    if (isatty(STDIN_FILENO) == 0) {
        return nullptr;
    }
    auto saved = std::make_unique<Saved>();
    if (tcgetattr(STDIN_FILENO, &saved->settings) != 0) {
        return nullptr;
    }
    // Keys one at a time, unechoed, and a read that returns at once when
    // none is waiting. Ctrl-C still raises its signal (ISIG stays on).
    termios raw = saved->settings;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
        return nullptr;
    }
    return std::unique_ptr<Keyboard>(new Keyboard(std::move(saved)));
}

Keyboard::Keyboard(std::unique_ptr<Saved> saved) : saved_(std::move(saved)) {}

Keyboard::~Keyboard() {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_->settings);
}

int Keyboard::readKey() {
    unsigned char key = 0;
    if (read(STDIN_FILENO, &key, 1) != 1) {
        return -1;
    }
    return key;
}

}  // namespace platform
