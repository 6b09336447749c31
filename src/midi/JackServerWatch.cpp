#include "JackServerWatch.h"

namespace corvane {

JackServerWatch::JackServerWatch() {
    jack_status_t status{};
    m_client = jack_client_open("Corvane watch", JackNoStartServer, &status);
    if (m_client == nullptr) {
        m_gone = true;
        return;
    }
    // Called on the library's own thread when the server shuts down or drops the client.
    jack_on_shutdown(m_client, &JackServerWatch::onShutdown, this);
}

JackServerWatch::~JackServerWatch() {
    if (m_client != nullptr) {
        jack_client_close(m_client);
    }
}

void JackServerWatch::onShutdown(void* self) {
    static_cast<JackServerWatch*>(self)->m_gone = true;
}

}  // namespace corvane
