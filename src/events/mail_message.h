#pragma once
// The e-mail that tells of an alert: MIME multipart/mixed with a text part
// and the thumbnail attached as a JPEG, every line ended by CRLF. Texts are
// UTF-8.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/alert.h"

// Every event gets a mail except the end of motion: its start was told.
bool MailWanted(const Alert& alert);

// The addresses of a list separated by commas or semicolons, each bare or
// as "Name <address>". False, with the reason, for an empty list or an
// address that is no address (no "@", blanks, line breaks).
bool ParseMailAddresses(std::string_view list, std::vector<std::string>& out, std::string& error);

// A header's text as it stands when plain ASCII, else as RFC 2047 encoded
// words (UTF-8, Base64) that never split a character.
std::string EncodeHeaderText(std::string_view text);

// "Wed, 09 Dec 2026 14:03:22 +0100", the time of the alert in the
// computer's time.
std::string MailDate(const Alert& alert);

struct MailHeaders {
  std::string from;
  std::vector<std::string> to;
  std::string messageId;  // "<...@...>"
};
// `unique` tells apart mails of one camera within one second.
std::string MailMessageId(const Alert& alert, std::string_view from, uint64_t unique);

std::string ComposeMail(const Alert& alert, const MailHeaders& headers);
