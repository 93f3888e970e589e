#include "rnd.h"

#include <chrono>

ClockRnd::ClockRnd()
    : m_gen(
          static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())) {
}
