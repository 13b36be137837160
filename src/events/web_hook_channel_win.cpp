#include "events/web_hook_channel_win.h"

#include "events/web_hook_message.h"
#include "events/web_hook_response.h"
#include "net/net_stream_win.h"

namespace {

constexpr int kConnectMs = 15000;
constexpr int kAnswerMs = 30000;

}  // namespace

WebHookChannel::WebHookChannel(const AlertServers& servers, DeliveryListener listener)
    : trustedCertificates_(servers.trustedCertificates), thread_("Web hook", std::move(listener)) {
  ParseWebHookUrl(servers.hookUrl, url_, urlError_);
  thread_.Start([this](const Alert& alert) { return Deliver(alert); });
}

WebHookChannel::~WebHookChannel() {
  thread_.Stop();
}

void WebHookChannel::Send(const Alert& alert) {
  thread_.Push(alert);
}

DeliveryResult WebHookChannel::Deliver(const Alert& alert) {
  if (!urlError_.empty()) return {DeliveryOutcome::kDrop, urlError_};
  NetStream stream(thread_.StopEvent());
  std::string error;
  if (!stream.Connect(url_.host, url_.port, kConnectMs, error)) {
    return {DeliveryOutcome::kRetry, "cannot reach " + url_.HostHeader() + " (" + error + ")"};
  }
  if (url_.tls) {
    if (!tls_) tls_ = MakeClientTlsConfig(trustedCertificates_, error);
    if (!tls_ || !stream.StartTls(*tls_, url_.host, kConnectMs, error)) {
      return {DeliveryOutcome::kRetry, "no secure connection to " + url_.host + ": " + error};
    }
  }
  if (!stream.Send(WebHookRequest(url_, WebHookJson(alert)), kAnswerMs, error)) {
    return {DeliveryOutcome::kRetry, "sending to the receiver failed (" + error + ")"};
  }
  // A receiver that ends its lines with LF alone, then closes, has still
  // answered: what arrived is judged, whole or not.
  std::string head;
  stream.ReceiveUntil(head, "\r\n\r\n", kAnswerMs, error);
  WebHookResponse response;
  if (ParseWebHookResponse(head, response)) return JudgeWebHookStatus(response);
  return {DeliveryOutcome::kRetry, head.empty() ? "the receiver did not answer (" + error + ")"
                                                : "the receiver does not answer as a web server"};
}
