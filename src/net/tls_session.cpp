#include "net/tls_session.h"

#include <algorithm>
#include <cstring>

#include "net/tls_config.h"

namespace {
// Bytes the session may hold unused after taking all it can: less than one
// record. More is a peer that does not wait for the handshake's answers.
constexpr size_t kMaxUnusedBytes = MBEDTLS_SSL_IN_CONTENT_LEN + 2048;
}  // namespace

TlsSession::TlsSession(const TlsConfig& config, const char* serverName) {
  mbedtls_ssl_init(&ssl_);
  int result = mbedtls_ssl_setup(&ssl_, config.Get());
  if (result == 0 && serverName) result = mbedtls_ssl_set_hostname(&ssl_, serverName);
  if (result != 0) {
    Fail(result);
    return;
  }
  mbedtls_ssl_set_bio(&ssl_, this, &TlsSession::Push, &TlsSession::Pull, nullptr);
}

TlsSession::~TlsSession() {
  mbedtls_ssl_free(&ssl_);
}

int TlsSession::Push(void* self, const unsigned char* data, size_t size) {
  auto* session = static_cast<TlsSession*>(self);
  session->outgoing_.insert(session->outgoing_.end(), data, data + size);
  return static_cast<int>(size);
}

int TlsSession::Pull(void* self, unsigned char* data, size_t size) {
  auto* session = static_cast<TlsSession*>(self);
  const size_t available = session->incoming_.size() - session->incomingRead_;
  if (available == 0) return MBEDTLS_ERR_SSL_WANT_READ;
  const size_t taken = std::min(available, size);
  std::memcpy(data, session->incoming_.data() + session->incomingRead_, taken);
  session->incomingRead_ += taken;
  return static_cast<int>(taken);
}

void TlsSession::Fail(int code) {
  state_ = TlsState::kFailed;
  failure_ = TlsErrorText(code);
}

TlsState TlsSession::Receive(const uint8_t* data, size_t size, std::string& plain) {
  if (state_ == TlsState::kFailed || state_ == TlsState::kClosed) return state_;
  if (size) incoming_.insert(incoming_.end(), data, data + size);
  Advance(plain);
  incoming_.erase(incoming_.begin(), incoming_.begin() + static_cast<std::ptrdiff_t>(incomingRead_));
  incomingRead_ = 0;
  if (state_ != TlsState::kFailed && incoming_.size() > kMaxUnusedBytes) Fail(MBEDTLS_ERR_SSL_BUFFER_TOO_SMALL);
  return state_;
}

void TlsSession::Advance(std::string& plain) {
  if (state_ == TlsState::kHandshaking) {
    const int result = mbedtls_ssl_handshake(&ssl_);
    if (result == MBEDTLS_ERR_SSL_WANT_READ || result == MBEDTLS_ERR_SSL_WANT_WRITE) return;
    if (result != 0) {
      Fail(result);
      return;
    }
    state_ = TlsState::kOpen;
  }
  unsigned char chunk[4096];
  for (;;) {
    const int result = mbedtls_ssl_read(&ssl_, chunk, sizeof chunk);
    if (result > 0) {
      plain.append(reinterpret_cast<const char*>(chunk), static_cast<size_t>(result));
      continue;
    }
    if (result == MBEDTLS_ERR_SSL_WANT_READ || result == MBEDTLS_ERR_SSL_WANT_WRITE) break;
    if (result == 0 || result == MBEDTLS_ERR_SSL_PEER_CLOSE_NOTIFY)
      state_ = TlsState::kClosed;
    else
      Fail(result);
    break;
  }
}

bool TlsSession::Send(const uint8_t* data, size_t size) {
  // Room for all the records at once, so each is copied out only once.
  const int expansion = mbedtls_ssl_get_record_expansion(&ssl_);
  if (state_ == TlsState::kOpen && expansion > 0)
    outgoing_.reserve(outgoing_.size() + size +
                      (size / MBEDTLS_SSL_OUT_CONTENT_LEN + 1) * static_cast<size_t>(expansion));
  while (state_ == TlsState::kOpen && size > 0) {
    const int result = mbedtls_ssl_write(&ssl_, data, size);
    if (result < 0) {
      Fail(result);
      break;
    }
    data += result;
    size -= static_cast<size_t>(result);
  }
  return state_ == TlsState::kOpen;
}

void TlsSession::Close() {
  if (state_ == TlsState::kOpen) mbedtls_ssl_close_notify(&ssl_);
  if (state_ != TlsState::kFailed) state_ = TlsState::kClosed;
}

std::vector<uint8_t> TlsSession::TakeOutgoing() {
  std::vector<uint8_t> bytes;
  bytes.swap(outgoing_);
  return bytes;
}
