#pragma once

#include <memory>

namespace platform {

// Single key presses from an interactive console, read without waiting and
// without echo, for programs that take one-key commands while they run.
//
// Thread safety: one thread uses a keyboard; only one may exist at a time.
class Keyboard {
  public:
    // Null when standard input is not a terminal (nothing to read keys from).
    static std::unique_ptr<Keyboard> open();

    ~Keyboard();  // gives the console back as it was
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    // The next key pressed, or -1 when none is waiting. Never blocks.
    int readKey();

    struct Saved;

  private:
    explicit Keyboard(std::unique_ptr<Saved> saved);
    std::unique_ptr<Saved> saved_;
};

}  // namespace platform
