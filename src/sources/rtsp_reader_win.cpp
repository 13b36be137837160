#include "sources/rtsp_reader_win.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/time.h>
}

#include "common/codec_label_win.h"
#include "common/ffmpeg_owners_win.h"
#include "common/ffmpeg_picture_win.h"
#include "common/fixed_text.h"
#include "common/picture_limit.h"
#include "common/steady_time.h"
#include "sources/parameter_sets.h"
#include "sources/rtsp_client_win.h"
#include "sources/rtsp_timeline.h"
#include "sources/tcp_probe_win.h"

namespace {

constexpr char kConnecting[] = "Trying to connect...";
constexpr char kInvalidUrl[] = "URL appears to be invalid";
constexpr char kUnresolved[] = "Unable to resolve host name, retry in 5sec";
constexpr char kAuthenticationRefused[] = "Authentication refused, retry in 5sec";
constexpr char kStreamNotFound[] = "Stream not found on the camera, retry in 5sec";
constexpr char kNotRtsp[] = "Not a valid RTSP answer, retry in 5sec";
constexpr char kTimeout[] = "Timeout waiting for data, retry in 5sec";
constexpr char kNoVideo[] = "No video stream, retry in 5sec";
constexpr char kNoMemory[] = "Memory Expansion Failed, retry in 5sec";
constexpr char kLost[] = "Stream lost, retry in 5sec";
constexpr char kWaiting[] = "Connected, waiting for a key frame...";
constexpr char kNoParameterSets[] = "The camera sends no parameter sets, cannot record as sent";

// Some seconds of a camera's packets: more means the owner is stuck.
constexpr size_t kMaxQueuedPackets = 600;

const char* OpenFailure(int error) {
  switch (error) {
    case AVERROR_HTTP_UNAUTHORIZED:
    case AVERROR_HTTP_FORBIDDEN:
      return kAuthenticationRefused;
    case AVERROR_HTTP_NOT_FOUND:
      return kStreamNotFound;
    case AVERROR_INVALIDDATA:
    case AVERROR_HTTP_BAD_REQUEST:
    case AVERROR_HTTP_OTHER_4XX:
    case AVERROR_HTTP_SERVER_ERROR:
    case AVERROR_PATCHWELCOME:
      return kNotRtsp;
    case AVERROR(ENOMEM):
      return kNoMemory;
    default:
      return kCannotConnect;
  }
}

std::string UnsupportedCodec(AVCodecID id) {
  char text[kTextSize];
  FormatText(text, sizeof text, "Unsupported video codec (%s), retry in 5sec", CodecLabel(id));
  return text;
}

// Reads each packet's parameter sets and slice headers, never its
// pictures, so a picture's size is known before the decoder allocates for
// it. Null for a codec without a parser (RTP's JPEG is at most 2040x2040).
class SizeWatch {
 public:
  SizeWatch(AVCodecID codec, const AVCodecParameters& parameters)
      : parser_(av_parser_init(codec)), context_(avcodec_alloc_context3(nullptr)) {
    if (!parser_ || !context_ || avcodec_parameters_to_context(context_.Get(), &parameters) < 0) {
      parser_.Reset();
      return;
    }
    // Packets from the demuxer are whole pictures already.
    parser_.Get()->flags |= PARSER_FLAG_COMPLETE_FRAMES;
  }
  // "" while the pictures are within the limit, else the status text.
  std::string Refusal(const AVPacket& packet) {
    if (!parser_) return "";
    uint8_t* out = nullptr;
    int outSize = 0;
    av_parser_parse2(parser_.Get(), context_.Get(), &out, &outSize, packet.data, packet.size, AV_NOPTS_VALUE,
                     AV_NOPTS_VALUE, 0);
    return PictureSizeRefusal(parser_.Get()->width, parser_.Get()->height);
  }
  // What the parser read of the last packet; null without a parser.
  const AVCodecParserContext* Parser() const { return parser_.Get(); }
  // The picture size of the last packet, 0 until a parameter set told it.
  int Width() const { return parser_ ? parser_.Get()->width : 0; }
  int Height() const { return parser_ ? parser_.Get()->height : 0; }

 private:
  ScopedParser parser_;
  ScopedCodecContext context_;
};

// The stream's setup as the session description gives it, with the
// picture size from the reader's size check and, where the description has
// no parameter sets, those of the key frames.
bool SetExtradata(AVCodecParameters& parameters, const std::string& sets) {
  const size_t size = sets.size();
  parameters.extradata = static_cast<uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!parameters.extradata) return false;
  std::memcpy(parameters.extradata, sets.data(), size);
  parameters.extradata_size = static_cast<int>(size);
  return true;
}

std::shared_ptr<const StreamFormat> MakeFormat(const AVCodecParameters& video, AVRational timeBase, int width,
                                               int height, const std::string& inBandSets) {
  auto format = std::make_shared<StreamFormat>();
  format->parameters.Reset(avcodec_parameters_alloc());
  if (!format->parameters || avcodec_parameters_copy(format->parameters.Get(), &video) < 0) return nullptr;
  AVCodecParameters& parameters = *format->parameters.Get();
  parameters.width = width;
  parameters.height = height;
  if (parameters.extradata_size <= 0 && !inBandSets.empty() && !SetExtradata(parameters, inBandSets)) return nullptr;
  format->timeBase = timeBase;
  char size[32];
  FormatText(size, sizeof size, " %dx%d ", width, height);
  format->key = std::string(avcodec_get_name(parameters.codec_id)) + size;
  if (parameters.extradata_size > 0)
    format->key.append(reinterpret_cast<const char*>(parameters.extradata),
                       static_cast<size_t>(parameters.extradata_size));
  return format;
}

bool CanRecordAsSent(AVCodecID id) {
  return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC;
}

// Follows the parameter sets a camera sends in its key frames where its
// session description has none.
class InBandSets {
 public:
  explicit InBandSets(const AVCodecParameters& video)
      : wanted_(video.extradata_size <= 0),
        codec_(video.codec_id == AV_CODEC_ID_HEVC ? VideoCodec::kH265 : VideoCodec::kH264) {}
  // True when the packet brought sets other than the ones known.
  bool OnPacket(const AVPacket& packet) {
    if (!wanted_ || !(packet.flags & AV_PKT_FLAG_KEY)) return false;
    std::string found = InBandParameterSets(packet.data, static_cast<size_t>(packet.size), codec_);
    if (found.empty() || found == sets_) return false;
    sets_ = std::move(found);
    return true;
  }
  // Until the key frames told them, a recording could not describe the stream.
  bool Missing() const { return wanted_ && sets_.empty(); }
  const std::string& Sets() const { return sets_; }

 private:
  const bool wanted_;
  const VideoCodec codec_;
  std::string sets_;
};

enum class Decoding { kEveryFrame, kKeyFramesOnly, kNone };

std::string Receiving(AVCodecID id, int width, int height, Decoding decoding) {
  char text[kTextSize];
  FormatText(text, sizeof text, "Receiving %s video, %dx%d%s", CodecLabel(id), width, height,
             decoding == Decoding::kKeyFramesOnly ? ", decoding key frames only"
             : decoding == Decoding::kNone        ? ", not decoded"
                                                  : "");
  return text;
}

Decoding DecodingOf(bool keyFramesOnly) {
  return keyFramesOnly ? Decoding::kKeyFramesOnly : Decoding::kEveryFrame;
}

// Measures how far apart the camera's key frames are, in ms.
class KeyFrameDistance {
 public:
  void OnPacket(const AVPacket& packet, AVRational timeBase) {
    // RTP gives key frames their presentation time; they are not reordered.
    const int64_t stamp = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (!(packet.flags & AV_PKT_FLAG_KEY) || stamp == AV_NOPTS_VALUE) return;
    if (last_ != AV_NOPTS_VALUE && stamp > last_)
      distanceMs_ = av_rescale_q(stamp - last_, timeBase, AVRational{1, 1000});
    last_ = stamp;
  }
  // 0 until two key frames came.
  int64_t Ms() const { return distanceMs_; }

 private:
  int64_t last_ = AV_NOPTS_VALUE;
  int64_t distanceMs_ = 0;
};

}  // namespace

// One connection's video stream, from FFmpeg's demuxer or from our own
// RTSP client.
class VideoInput {
 public:
  virtual ~VideoInput() = default;
  virtual const AVCodecParameters& Parameters() const = 0;
  virtual AVRational TimeBase() const = 0;
  // The next packet of the video and whether packets were lost before it;
  // false once the stream ended.
  virtual bool Read(AVPacket& packet, bool& afterLoss) = 0;
  // Gives a packet read its key flag and times, from what the parser read of it.
  virtual void Stamp(AVPacket& /*packet*/, const AVCodecParserContext* /*parser*/) {}
  // The status text of how the stream ended.
  virtual std::string Ending() const = 0;
};

namespace {

// Cameras of codecs our client does not read (RTP's JPEG, MPEG-4).
class FfmpegInput final : public VideoInput {
 public:
  int Open(const std::string& url, AVIOInterruptCB interrupt) {
    AVFormatContext* opening = avformat_alloc_context();
    if (!opening) return AVERROR(ENOMEM);
    opening->interrupt_callback = interrupt;
    ScopedDictionary settings;
    settings.Set("rtsp_transport", "tcp");
    settings.Set("allowed_media_types", "video");
    // Frees the context itself when it fails.
    const int opened = avformat_open_input(&opening, url.c_str(), nullptr, settings.Address());
    if (opened < 0) return opened;
    input_.Reset(opening);
    for (unsigned i = 0; i < opening->nb_streams; ++i) {
      AVStream* stream = opening->streams[i];
      if (!video_ && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        video_ = stream;
      else
        stream->discard = AVDISCARD_ALL;
    }
    return 0;
  }
  bool HasVideo() const { return video_ != nullptr; }
  const AVCodecParameters& Parameters() const override { return *video_->codecpar; }
  AVRational TimeBase() const override { return video_->time_base; }
  bool Read(AVPacket& packet, bool& /*afterLoss*/) override {
    for (;;) {
      if (av_read_frame(input_.Get(), &packet) < 0) return false;
      if (packet.stream_index == video_->index) return true;
      av_packet_unref(&packet);
    }
  }
  std::string Ending() const override { return kLost; }

 private:
  ScopedFormatContext input_;
  const AVStream* video_ = nullptr;
};

static_assert(RtpTimeline::kUnknown == AV_NOPTS_VALUE);

// H.264 and H.265 cameras, read by our own client; the packets as FFmpeg's
// demuxer and parser would give them.
class ClientInput final : public VideoInput {
 public:
  ClientInput(const std::string& url, std::function<bool()> interrupted) : client_(url, std::move(interrupted)) {}
  bool Start() {
    if (!client_.Start()) return false;
    const SdpVideo& sdp = client_.Session().Video();
    parameters_.Reset(avcodec_parameters_alloc());
    AVCodecParameters* parameters = parameters_.Get();
    noMemory_ = !parameters || (!sdp.parameterSets.empty() && !SetExtradata(*parameters, sdp.parameterSets));
    if (noMemory_) return false;
    parameters->codec_type = AVMEDIA_TYPE_VIDEO;
    parameters->codec_id = sdp.codec == VideoCodec::kH265 ? AV_CODEC_ID_HEVC : AV_CODEC_ID_H264;
    playing_ = true;
    return true;
  }
  // Why Start failed, when the session's answers told.
  RtspSession::Failure Failure() const {
    return client_.Ending() == RtspClient::End::kSession ? client_.Session().CurrentFailure()
                                                         : RtspSession::Failure::kNone;
  }
  const AVCodecParameters& Parameters() const override { return *parameters_.Get(); }
  AVRational TimeBase() const override { return AVRational{1, client_.Session().Video().clockRate}; }
  bool Read(AVPacket& packet, bool& afterLoss) override {
    if (!client_.Read(unit_)) return false;
    noMemory_ = av_new_packet(&packet, static_cast<int>(unit_.bytes.size())) < 0;
    if (noMemory_) return false;
    std::memcpy(packet.data, unit_.bytes.data(), unit_.bytes.size());
    afterLoss = unit_.afterLoss;
    return true;
  }
  void Stamp(AVPacket& packet, const AVCodecParserContext* parser) override {
    // FFmpeg's demuxer marks key frames by the same rule.
    if (parser && (parser->key_frame == 1 || (parser->key_frame == -1 && parser->pict_type == AV_PICTURE_TYPE_I)))
      packet.flags |= AV_PKT_FLAG_KEY;
    const RtpTimeline::Stamps stamps =
        timeline_.Next(unit_.timestamp, parser && parser->pict_type == AV_PICTURE_TYPE_B);
    packet.pts = stamps.pts;
    packet.dts = stamps.dts;
  }
  std::string Ending() const override {
    if (noMemory_) return kNoMemory;
    switch (client_.Ending()) {
      case RtspClient::End::kNone:
        return kLost;
      case RtspClient::End::kUnresolved:
        return kUnresolved;
      case RtspClient::End::kRefused:
        return kCannotConnect;
      case RtspClient::End::kInterrupted:
        return playing_ ? kLost : kTimeout;
      case RtspClient::End::kClosed:
        return playing_ ? kLost : client_.Answered() ? kNotRtsp : kCannotConnect;
      case RtspClient::End::kSession:
        break;
    }
    switch (client_.Session().CurrentFailure()) {
      case RtspSession::Failure::kInvalidUrl:
        return kInvalidUrl;
      case RtspSession::Failure::kAuthenticationRefused:
        return kAuthenticationRefused;
      case RtspSession::Failure::kStreamNotFound:
        return kStreamNotFound;
      case RtspSession::Failure::kNoVideo:
        return kNoVideo;
      case RtspSession::Failure::kNone:
      case RtspSession::Failure::kStreamLost:
        return kLost;
      case RtspSession::Failure::kNotRtsp:
      case RtspSession::Failure::kUnsupportedCodec:  // handed to FFmpeg before it ends here
        return kNotRtsp;
    }
    return kLost;
  }

 private:
  RtspClient client_;
  ScopedCodecParameters parameters_;
  AccessUnit unit_;
  RtpTimeline timeline_;
  bool playing_ = false;
  bool noMemory_ = false;
};

}  // namespace

RtspReader::RtspReader(std::string url, HWND window, UINT message, Options options)
    : url_(std::move(url)), window_(window), message_(message), options_(options) {
  static std::once_flag quiet;
  // A program without a console: FFmpeg's messages would go nowhere.
  std::call_once(quiet, [] {
    av_log_set_level(AV_LOG_QUIET);
    avformat_network_init();
  });
  thread_ = std::thread(&RtspReader::Run, this);
}

RtspReader::~RtspReader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void RtspReader::RequestPicture() {
  pictureWanted_ = true;
}

bool RtspReader::TakeStatus(std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!statusNew_) return false;
  text = status_;
  statusNew_ = false;
  return true;
}

void RtspReader::WantPackets(bool wanted) {
  packetsWanted_ = wanted;
  if (wanted) return;
  std::lock_guard<std::mutex> lock(mutex_);
  packets_.clear();
}

void RtspReader::TakePackets(std::vector<SharedPacket>& packets) {
  packets.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  packets.assign(std::make_move_iterator(packets_.begin()), std::make_move_iterator(packets_.end()));
  packets_.clear();
}

bool RtspReader::TakePicture(Picture& picture) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!pictureNew_) return false;
  std::swap(picture, ready_);
  pictureNew_ = false;
  return true;
}

void RtspReader::Run() {
  while (!stopping_) {
    PublishStatus(kConnecting);
    std::string ending = ReadOnce();
    if (stopping_) return;
    PublishStatus(std::move(ending));
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(options_.retryDelayMs), [this] { return stopping_.load(); });
  }
}

std::string RtspReader::ReadOnce() {
  lastDataMs_ = SteadyMs();
  std::optional<ClientInput> client;
  client.emplace(url_, [this] { return Interrupted(); });
  if (!client->Start()) {
    const RtspSession::Failure failure = client->Failure();
    // Other codecs, and URLs only FFmpeg reads, are FFmpeg's.
    if (failure != RtspSession::Failure::kUnsupportedCodec && failure != RtspSession::Failure::kInvalidUrl)
      return stopping_ ? "" : client->Ending();
    client.reset();
    return ReadWithFfmpeg();
  }
  return Receive(*client);
}

std::string RtspReader::ReadWithFfmpeg() {
  lastDataMs_ = SteadyMs();
  char host[kTextSize] = {};
  int port = -1;
  av_url_split(nullptr, 0, nullptr, 0, host, sizeof host, &port, nullptr, 0, url_.c_str());
  if (!host[0]) return kInvalidUrl;
  switch (ProbeTcp(host, port > 0 ? port : kDefaultRtspPort, [this] { return Interrupted(); })) {
    case TcpProbe::kUnresolved:
      return kUnresolved;
    case TcpProbe::kRefused:
      return kCannotConnect;
    case TcpProbe::kInterrupted:
      return stopping_ ? "" : kTimeout;
    case TcpProbe::kAnswers:
      break;
  }
  FfmpegInput input;
  const int opened = input.Open(url_, AVIOInterruptCB{&RtspReader::OnInterrupt, this});
  if (opened < 0) return stopping_ ? "" : Interrupted() ? kTimeout : OpenFailure(opened);
  if (!input.HasVideo()) return kNoVideo;
  return Receive(input);
}

std::string RtspReader::Receive(VideoInput& input) {
  const AVCodecParameters& video = input.Parameters();
  const AVCodecID codecId = video.codec_id;
  ScopedCodecContext decoder;
  if (options_.decode) {
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (!codec) return UnsupportedCodec(codecId);
    decoder.Reset(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.Get(), &video) < 0) return kNoMemory;
    // One decoding thread per camera: this one.
    decoder.Get()->thread_count = 1;
    // Behind the size watch, in case a stream's size escapes it.
    decoder.Get()->max_pixels = kMaxCameraPixels;
    if (avcodec_open2(decoder.Get(), codec, nullptr) < 0) return UnsupportedCodec(codecId);
  } else if (!CanRecordAsSent(codecId)) {
    return UnsupportedCodec(codecId);
  }
  ScopedPacket packet(av_packet_alloc());
  ScopedFrame frame(av_frame_alloc());
  if (!packet || !frame) return kNoMemory;
  PublishStatus(kWaiting);

  SizeWatch sizeWatch(codecId, video);
  InBandSets inBandSets(video);
  std::shared_ptr<const StreamFormat> format;
  PictureConverter converter;
  // Pictures start at a key frame, and again after damage: the frames in
  // between would show the damage spreading.
  bool awaitingKeyFrame = true;
  int width = 0, height = 0;
  KeyFrameDistance keyFrames;
  bool keyFramesOnly = false;
  for (;;) {
    bool afterLoss = false;
    if (!input.Read(*packet.Get(), afterLoss)) return stopping_ ? "" : input.Ending();
    lastDataMs_ = SteadyMs();
    // Frames after a lost one lack its pictures.
    if (afterLoss) awaitingKeyFrame = true;
    std::string refusal = sizeWatch.Refusal(*packet.Get());
    input.Stamp(*packet.Get(), sizeWatch.Parser());
    keyFrames.OnPacket(*packet.Get(), input.TimeBase());
    // Pictures asked for no more often than key frames come: the frames
    // between them would be decoded for nothing.
    const bool onlyKeys = keyFrames.Ms() > 0 && pictureIntervalMs_ >= keyFrames.Ms();
    if (decoder && onlyKeys != keyFramesOnly) {
      keyFramesOnly = onlyKeys;
      decoder.Get()->skip_frame = onlyKeys ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;
      // Frames after the switch lack the references skipped before it.
      awaitingKeyFrame = true;
      if (width > 0) PublishStatus(Receiving(codecId, width, height, DecodingOf(keyFramesOnly)));
    }
    if (!decoder && refusal.empty() && sizeWatch.Width() > 0 &&
        (sizeWatch.Width() != width || sizeWatch.Height() != height)) {
      width = sizeWatch.Width();
      height = sizeWatch.Height();
      PublishStatus(Receiving(codecId, width, height, Decoding::kNone));
    }
    if (refusal.empty() && packetsWanted_ && CanRecordAsSent(codecId) && sizeWatch.Width() > 0) {
      const AVCodecParameters* known = format ? format->parameters.Get() : nullptr;
      const bool newSets = inBandSets.OnPacket(*packet.Get());
      if (!known || newSets || known->width != sizeWatch.Width() || known->height != sizeWatch.Height())
        format = MakeFormat(video, input.TimeBase(), sizeWatch.Width(), sizeWatch.Height(), inBandSets.Sets());
      if (inBandSets.Missing()) {
        if (packet.Get()->flags & AV_PKT_FLAG_KEY) PublishStatus(kNoParameterSets);
      } else if (format) {
        PublishPacket(*packet.Get(), format);
      }
    }
    const int sent = refusal.empty() && decoder ? avcodec_send_packet(decoder.Get(), packet.Get()) : 0;
    av_packet_unref(packet.Get());
    if (sent < 0) {
      awaitingKeyFrame = true;
      // The decoder has the size it refused to allocate for.
      refusal = PictureSizeRefusal(decoder.Get()->width, decoder.Get()->height);
    }
    if (!refusal.empty()) return refusal + ", retry in 5sec";
    if (!decoder) continue;
    int received;
    while ((received = avcodec_receive_frame(decoder.Get(), frame.Get())) == 0) {
      const AVFrame& decoded = *frame.Get();
      if ((decoded.flags & AV_FRAME_FLAG_CORRUPT) != 0 || decoded.decode_error_flags != 0) {
        awaitingKeyFrame = true;
      } else if (!awaitingKeyFrame || decoded.key_frame) {
        awaitingKeyFrame = false;
        if (decoded.width != width || decoded.height != height) {
          width = decoded.width;
          height = decoded.height;
          PublishStatus(Receiving(codecId, width, height, DecodingOf(keyFramesOnly)));
        }
        if (pictureWanted_ && converter.Convert(decoded, converted_)) PublishPicture();
      }
      av_frame_unref(frame.Get());
    }
    if (received != AVERROR(EAGAIN) && received != AVERROR_EOF) awaitingKeyFrame = true;
  }
}

void RtspReader::PublishStatus(std::string text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (text == status_ && !statusNew_) return;
    status_ = std::move(text);
    statusNew_ = true;
  }
  PostMessageA(window_, message_, 0, 0);
}

void RtspReader::PublishPicture() {
  pictureWanted_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(converted_, ready_);
    pictureNew_ = true;
  }
  PostMessageA(window_, message_, 0, 0);
}

void RtspReader::PublishPacket(const AVPacket& received, std::shared_ptr<const StreamFormat> format) {
  auto made = std::make_shared<StreamPacket>();
  made->packet.Reset(av_packet_alloc());
  if (!made->packet || av_packet_ref(made->packet.Get(), &received) < 0) return;
  made->format = std::move(format);
  made->keyFrame = (received.flags & AV_PKT_FLAG_KEY) != 0;
  made->arrivalUs = SteadyUs();
  made->wallClockUs = av_gettime();
  bool wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (packets_.size() >= kMaxQueuedPackets) {
      packets_.clear();
      packetsUntilKeyFrameLost_ = true;
    }
    if (packetsUntilKeyFrameLost_ && !made->keyFrame) return;
    packetsUntilKeyFrameLost_ = false;
    wake = packets_.empty();
    packets_.push_back(std::move(made));
  }
  if (wake) PostMessageA(window_, message_, 0, 0);
}

bool RtspReader::Interrupted() const {
  return stopping_ || SteadyMs() - lastDataMs_ > options_.stallTimeoutMs;
}

int RtspReader::OnInterrupt(void* reader) {
  return static_cast<const RtspReader*>(reader)->Interrupted() ? 1 : 0;
}
