#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "FakeMidiOutService.h"
#include "midi/UpdateTransfer.h"

namespace corvane {

// A pacer that returns at once and records every pause asked for. Given a fake service, it
// also notes how many service calls had been made when each pause began, so tests can
// check where the pauses fall between the sends.
class RecordingPacer final : public Pacer {
  public:
    struct Pause {
        std::chrono::milliseconds duration;
        std::size_t callsBefore;  // calls made on the watched service before this pause
    };

    explicit RecordingPacer(const FakeMidiOutService* watched = nullptr) : m_watched(watched) {}

    void pause(std::chrono::milliseconds duration) override {
        m_pauses.push_back({duration, m_watched != nullptr ? m_watched->calls().size() : 0});
    }

    const std::vector<Pause>& pauses() const { return m_pauses; }

  private:
    const FakeMidiOutService* m_watched;
    std::vector<Pause> m_pauses;
};

}  // namespace corvane
