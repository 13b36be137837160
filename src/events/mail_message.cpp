#include "events/mail_message.h"

#include <algorithm>
#include <cstdio>

#include "net/base64.h"

namespace {

constexpr size_t kBase64Line = 76;
// Input bytes per encoded word: 60 Base64 characters, 72 with the wrapping.
constexpr size_t kWordBytes = 45;
// Below the 998 bytes a mail line may hold, with room for the label.
constexpr size_t kLongestPlainLine = 900;

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::string Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

std::string Base64Lines(std::string_view bytes) {
  const std::string encoded = Base64Encode(bytes);
  std::string out;
  for (size_t i = 0; i < encoded.size(); i += kBase64Line) out += encoded.substr(i, kBase64Line) + "\r\n";
  return out;
}

bool NeedsBase64(std::string_view text) {
  if (!IsAscii(text)) return true;
  size_t line = 0;
  for (char c : text) {
    line = c == '\n' ? 0 : line + 1;
    if (line > kLongestPlainLine || c == '\r' || c == '\0') return true;
  }
  return false;
}

std::string BodyText(const Alert& alert) {
  std::string text = AlertSubject(alert) + "\n\nCamera: " + CameraTitle(alert) +
                     "\nEvent: " + EventKindName(alert.kind) + "\nTime: " + AlertIsoTime(alert) + "\n";
  if (alert.kind == EventKind::kMotion) text += "Level: " + std::to_string(alert.level) + "\n";
  if (!alert.pictureUrl.empty()) text += "Picture: " + alert.pictureUrl + "\n";
  if (!alert.detail.empty()) text += "Detail: " + alert.detail + "\n";
  return text;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace

bool MailWanted(const Alert& alert) {
  return !(alert.kind == EventKind::kMotion && alert.ended);
}

bool ParseMailAddresses(std::string_view list, std::vector<std::string>& out, std::string& error) {
  std::vector<std::string> found;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find_first_of(",;", start);
    if (end == std::string_view::npos) end = list.size();
    std::string address = Trim(list.substr(start, end - start));
    start = end + 1;
    for (char c : address) {
      if (static_cast<unsigned char>(c) < 0x20) {
        error = "a mail address holds a line break or a control character";
        return false;
      }
    }
    const size_t open = address.find('<');
    if (open != std::string::npos) {
      const size_t close = address.find('>', open);
      if (close == std::string::npos) {
        error = "the address " + address + " lacks its closing >";
        return false;
      }
      address = address.substr(open + 1, close - open - 1);
    }
    if (address.empty()) continue;
    const size_t at = address.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == address.size() ||
        address.find_first_of(" <>\"") != std::string::npos) {
      error = "\"" + address + "\" is not a mail address";
      return false;
    }
    found.push_back(address);
  }
  if (found.empty()) {
    error = "no mail address is set";
    return false;
  }
  out = std::move(found);
  return true;
}

std::string EncodeHeaderText(std::string_view text) {
  if (IsAscii(text) && text.find_first_of("\r\n") == std::string_view::npos) return std::string(text);
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = std::min(text.size(), start + kWordBytes);
    // Back off to the start of a character: continuation bytes are 10xxxxxx.
    while (end < text.size() && end > start + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64Encode(text.substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string MailDate(const Alert& alert) {
  static const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // "2026-12-09T14:03:22+01:00" holds every field but the day of the week.
  const std::string iso = AlertIsoTime(alert);
  const int64_t local = alert.time + alert.utcOffset;
  const int64_t days = local / 86400 - (local % 86400 < 0 ? 1 : 0);
  const int64_t weekday = ((days % 7) + 7) % 7;  // 1970-01-01 was a Thursday
  const int month = std::stoi(iso.substr(iso.size() - 20, 2));
  return std::string(kDays[weekday]) + ", " + iso.substr(iso.size() - 17, 2) + " " + kMonths[month - 1] + " " +
         iso.substr(0, iso.size() - 21) + " " + iso.substr(iso.size() - 14, 8) + " " + iso.substr(iso.size() - 6, 3) +
         iso.substr(iso.size() - 2);
}

std::string MailMessageId(const Alert& alert, std::string_view from, uint64_t unique) {
  const size_t at = from.rfind('@');
  const std::string_view domain = at == std::string_view::npos ? std::string_view("localhost") : from.substr(at + 1);
  return "<" + std::to_string(alert.time) + "." + std::to_string(alert.camera) + "." + std::to_string(unique) +
         ".vorrandale@" + std::string(domain) + ">";
}

std::string ComposeMail(const Alert& alert, const MailHeaders& headers) {
  // Every line of both parts starts with a letter or a Base64 character,
  // never with "--", so the boundary cannot occur inside them.
  const std::string boundary = "=_alert_" + std::to_string(alert.time) + "_" + std::to_string(alert.camera);
  std::string to;
  for (const std::string& address : headers.to) to += (to.empty() ? "" : ", ") + address;
  std::string mail = "Date: " + MailDate(alert) + "\r\nFrom: " + headers.from + "\r\nTo: " + to +
                     "\r\nSubject: " + EncodeHeaderText(AlertSubject(alert)) + "\r\nMessage-ID: " + headers.messageId +
                     "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  const std::string body = BodyText(alert);
  mail += "--" + boundary + "\r\nContent-Type: text/plain; charset=UTF-8\r\n";
  mail += NeedsBase64(body) ? "Content-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(body)
                            : "Content-Transfer-Encoding: 7bit\r\n\r\n" + WithCrLf(body);
  if (!alert.thumbnail.empty()) {
    char name[64];
    std::snprintf(name, sizeof name, "camera%d-%lld.jpg", alert.camera, static_cast<long long>(alert.time));
    mail +=
        "--" + boundary + "\r\nContent-Type: image/jpeg; name=\"" + name +
        "\"\r\nContent-Disposition: attachment; filename=\"" + name +
        "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        Base64Lines(std::string_view(reinterpret_cast<const char*>(alert.thumbnail.data()), alert.thumbnail.size()));
  }
  return mail + "--" + boundary + "--\r\n";
}
