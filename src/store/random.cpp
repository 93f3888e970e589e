// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#include "random.h"

#include <chrono>

ClockRandom::ClockRandom()
    : m_gen(
          static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())) {
}
