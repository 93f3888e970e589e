// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <variant>

// A talk is a numbered mode 0..12 or one of two named talks; a step is a number 1..100 or
// "end". As variants, a named talk can never be taken for a numbered one, nor "end" for a step.
enum class NamedTalk { Rebirth, Teaching };
using Talk = std::variant<std::monostate, int, NamedTalk>;

struct EndStep {
    bool operator==(const EndStep&) const { return true; }
    bool operator!=(const EndStep&) const { return false; }
};
using Step = std::variant<std::monostate, int, EndStep>;

// The menu button index is the mode it starts.
enum Mode : int {
    kFortune = 0,
    kSimpleFortune = 1,
    kLoveFortune = 2,
    kExorcism = 3,
    kConversation = 4,
    kHeadache = 5,
    kFirstTopic = 6,
    kLastTopic = 12,
};

enum class Lamp { Yellow, Red };
