#pragma once

#include <jack/jack.h>

#include <atomic>

namespace corvane {

// Notices when the JACK server goes away. RtMidi's JACK output only queues each message for
// the server, so without this a send after the server died would look successful.
class JackServerWatch {
  public:
    // Connects to the current server (JACK_DEFAULT_SERVER) without starting one. Without a
    // server the watch reports it gone at once.
    JackServerWatch();
    ~JackServerWatch();
    JackServerWatch(const JackServerWatch&) = delete;
    JackServerWatch& operator=(const JackServerWatch&) = delete;

    bool serverGone() const { return m_gone.load(); }

  private:
    static void onShutdown(void* self);

    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_gone{false};
};

}  // namespace corvane
