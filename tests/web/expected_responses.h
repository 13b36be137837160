#pragma once
// The server's fixed answers, byte for byte, as a browser receives them.

#include <string>

inline const std::string kNotFound =
    "HTTP/1.0 404 Not Found\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: 64\r\n\r\n"
    "<HTML><BODY>Vorrandale Webserver<br>PAGE NOT FOUND</BODY></HTML>";
inline const std::string kLogin =
    "HTTP/1.0 401 Authorization Required\r\n"
    "WWW-Authenticate: BASIC realm=\"Vorrandale Secure Area\"\r\n"
    "Content-Type: text/html; charset=UTF-8\r\nContent-Length: 90\r\n\r\n"
    "<HTML><BODY>Vorrandale Webserver<br>Authorization Required<br>You Must Login</BODY></HTML>";

inline std::string TextPage(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}
