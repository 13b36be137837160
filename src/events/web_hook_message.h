#pragma once
// What a web hook receives: a POST of a small JSON document per alert,
//   {"camera":2,"name":"Front door","kind":"motion","event":"start",
//    "time":"2026-12-09T14:03:22+01:00","level":73,"picture":"http://..."}
// "event" ("start"/"end") only for motion; "picture" is null without a
// picture URL; "detail" only when the alert has one. Texts are UTF-8.

#include <string>
#include <string_view>

#include "events/alert.h"
#include "events/web_hook_url.h"

// A JSON string literal, quotes included; control characters escaped.
std::string JsonText(std::string_view text);

std::string WebHookJson(const Alert& alert);

// The whole request: request line, Host, Content-Type, Content-Length,
// Connection: close, User-Agent, then the document.
std::string WebHookRequest(const WebHookUrl& url, const std::string& json);
