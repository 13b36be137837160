#include "sources/rtsp_session.h"

#include <charconv>

#include "common/text_case.h"

namespace {

// Channels asked for: video RTP on the even, its RTCP on the odd one.
constexpr uint8_t kVideoChannel = 0;
constexpr char kTransport[] = "RTP/AVP/TCP;unicast;interleaved=0-1";

// The first channel of "...;interleaved=a-b;..."; false without one.
bool InterleavedChannel(std::string_view transport, uint8_t& channel) {
  constexpr std::string_view kName = "interleaved=";
  for (size_t at = 0; at < transport.size();) {
    size_t end = transport.find(';', at);
    if (end == std::string_view::npos) end = transport.size();
    const std::string_view field = TrimRtspBlanks(transport.substr(at, end - at));
    at = end + 1;
    if (!StartsWithNoCase(field, kName)) continue;
    unsigned value = 0;
    const char* first = field.data() + kName.size();
    const auto [rest, error] = std::from_chars(first, field.data() + field.size(), value);
    if (error != std::errc() || rest == first || value > 254) return false;
    channel = static_cast<uint8_t>(value);
    return true;
  }
  return false;
}

}  // namespace

RtspSession::RtspSession(std::string_view url, Options options) : options_(std::move(options)) {
  if (!ParseRtspUrl(url, url_)) {
    Fail(Failure::kInvalidUrl);
    return;
  }
  baseUrl_ = url_.requestUrl;
  Queue(Step::kOptions);
}

void RtspSession::Fail(Failure failure) {
  state_ = State::kFailed;
  failure_ = failure;
  outgoing_.reset();
}

void RtspSession::Queue(Step step) {
  RtspRequest request;
  request.url = baseUrl_;
  switch (step) {
    case Step::kOptions:
      request.method = "OPTIONS";
      request.url = url_.requestUrl;
      break;
    case Step::kDescribe:
      request.method = "DESCRIBE";
      request.url = url_.requestUrl;
      request.headers.emplace_back("Accept", "application/sdp");
      break;
    case Step::kSetup:
      request.method = "SETUP";
      request.url = video_.controlUrl;
      request.headers.emplace_back("Transport", kTransport);
      break;
    case Step::kPlay:
      request.method = "PLAY";
      request.headers.emplace_back("Range", "npt=0.000-");
      break;
    case Step::kKeepAlive:
      request.method = getParameterAllowed_ ? "GET_PARAMETER" : "OPTIONS";
      break;
    case Step::kTeardown:
      request.method = "TEARDOWN";
      break;
  }
  request.cseq = ++cseq_;
  if (!sessionId_.empty()) request.headers.emplace_back("Session", sessionId_);
  if (challenge_.scheme != RtspChallenge::Scheme::kNone)
    request.headers.emplace_back("Authorization",
                                 RtspAuthorization(challenge_, {url_.user, url_.password}, request.method, request.url,
                                                   ++nonceCount_, options_.cnonce));
  if (!options_.userAgent.empty()) request.headers.emplace_back("User-Agent", options_.userAgent);
  pendingStep_ = step;
  pendingCseq_ = request.cseq;
  outgoing_ = FormatRtspRequest(request);
}

std::optional<std::string> RtspSession::TakeRequest(int64_t nowMs) {
  if (!outgoing_) return std::nullopt;
  lastRequestMs_ = nowMs;
  std::optional<std::string> request = std::move(outgoing_);
  outgoing_.reset();
  return request;
}

void RtspSession::Process() {
  while (state_ != State::kFailed) {
    switch (splitter_.Next()) {
      case RtspStreamSplitter::Piece::kNeedMore:
        return;
      case RtspStreamSplitter::Piece::kMessage: {
        RtspResponse response;
        // Requests of the camera's own are not answered; nothing here needs them.
        if (ParseRtspResponse(splitter_.Message(), response)) OnResponse(response);
        break;
      }
      case RtspStreamSplitter::Piece::kFrame:
        OnFrame(splitter_.Channel(), splitter_.Payload(), splitter_.PayloadSize());
        break;
      case RtspStreamSplitter::Piece::kBadMessage:
        Fail(state_ == State::kPlaying ? Failure::kStreamLost : Failure::kNotRtsp);
        return;
      case RtspStreamSplitter::Piece::kUnsynchronised:
        Fail(state_ == State::kPlaying ? Failure::kStreamLost : Failure::kNotRtsp);
        return;
    }
  }
}

void RtspSession::OnResponse(const RtspResponse& response) {
  const std::string_view cseq = response.Header("CSeq");
  // An answer that names no CSeq is taken for the one awaited.
  if (!cseq.empty() && cseq != std::to_string(pendingCseq_)) return;
  if (pendingStep_ == Step::kKeepAlive || pendingStep_ == Step::kTeardown) return;
  if (response.status == 401) {
    const RtspChallenge challenge = ChooseRtspChallenge(response);
    if (authenticationTried_ || url_.user.empty() || challenge.scheme == RtspChallenge::Scheme::kNone)
      return Fail(Failure::kAuthenticationRefused);
    authenticationTried_ = true;
    challenge_ = challenge;
    nonceCount_ = 0;
    return Queue(pendingStep_);
  }
  if (response.status == 403) return Fail(Failure::kAuthenticationRefused);
  if (response.status == 404) return Fail(Failure::kStreamNotFound);
  if (response.status < 200 || response.status > 299) return Fail(Failure::kNotRtsp);
  OnSuccess(response);
}

void RtspSession::OnSuccess(const RtspResponse& response) {
  switch (pendingStep_) {
    case Step::kOptions:
      getParameterAllowed_ = RtspListHas(response.Header("Public"), "GET_PARAMETER");
      return Queue(Step::kDescribe);
    case Step::kDescribe: {
      std::string_view base = response.Header("Content-Base");
      if (base.empty()) base = response.Header("Content-Location");
      if (!base.empty()) baseUrl_ = base;
      switch (ParseSdpVideo(response.body, baseUrl_, video_)) {
        case SdpResult::kNoVideo:
          return Fail(Failure::kNoVideo);
        case SdpResult::kUnsupportedCodec:
          return Fail(Failure::kUnsupportedCodec);
        case SdpResult::kVideo:
          break;
      }
      depacketizer_.emplace(video_.codec);
      return Queue(Step::kSetup);
    }
    case Step::kSetup:
      if (!ParseRtspSession(response.Header("Session"), sessionId_, timeoutSeconds_)) return Fail(Failure::kNotRtsp);
      videoChannel_ = kVideoChannel;
      InterleavedChannel(response.Header("Transport"), videoChannel_);
      return Queue(Step::kPlay);
    case Step::kPlay:
      state_ = State::kPlaying;
      return;
    case Step::kKeepAlive:
    case Step::kTeardown:
      return;
  }
}

void RtspSession::OnFrame(uint8_t channel, const uint8_t* data, size_t size) {
  if (!depacketizer_) return;
  if (channel == videoChannel_) {
    RtpPacket packet;
    if (!ParseRtpPacket(data, size, packet) || packet.payloadType != video_.payloadType) return;
    const RtpDepacketizer::Damage damage = depacketizer_->Push(packet);
    if (damage != RtpDepacketizer::Damage::kNone) lastDamage_ = damage;
  } else if (channel == videoChannel_ + 1) {
    RtcpSenderReport report;
    if (FindRtcpSenderReport(data, size, report)) senderReport_ = report;
  }
}

void RtspSession::Tick(int64_t nowMs) {
  if (state_ == State::kPlaying && !outgoing_ && nowMs >= KeepAliveDueMs()) Queue(Step::kKeepAlive);
}

int64_t RtspSession::KeepAliveDueMs() const {
  return lastRequestMs_ + int64_t{timeoutSeconds_} * 1000 / 2;
}

void RtspSession::Stop() {
  if (!sessionId_.empty() && state_ != State::kFailed) Queue(Step::kTeardown);
}

std::optional<int64_t> RtspSession::CaptureTime(uint32_t rtpTimestamp) const {
  if (!senderReport_) return std::nullopt;
  return CaptureTimeMicroseconds(*senderReport_, rtpTimestamp, video_.clockRate);
}
