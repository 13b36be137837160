#pragma once
// What every TLS connection of the program shares: the protocol rules (TLS
// 1.2 or later, forward-secret AEAD suites only, no compression, no
// renegotiation), a random generator, and either the server's own
// certificate and key or, for a client, the certificates it trusts. Not
// thread-safe: one configuration serves the connections of one thread.

#include <memory>
#include <string>
#include <string_view>

#include "mbedtls/ctr_drbg.h"
#include "mbedtls/entropy.h"
#include "mbedtls/pk.h"
#include "mbedtls/ssl.h"
#include "mbedtls/x509_crt.h"

class TlsConfig {
 public:
  // A server presenting the first certificate of `certificatePem` (PEM,
  // any chain after it) with the private key in `keyPem`. Null, with the
  // reason in `error`, when either cannot be read or they do not match.
  static std::unique_ptr<TlsConfig> Server(std::string_view certificatePem, std::string_view keyPem,
                                           std::string& error);
  // A client that accepts only peers whose certificate chains to one in
  // `trustedPem` and names the host it asked for.
  static std::unique_ptr<TlsConfig> Client(std::string_view trustedPem, std::string& error);

  ~TlsConfig();
  TlsConfig(const TlsConfig&) = delete;
  TlsConfig& operator=(const TlsConfig&) = delete;

  // The SHA-256 of the server's certificate as "AB:CD:...", empty for a client.
  const std::string& Fingerprint() const { return fingerprint_; }
  const mbedtls_ssl_config* Get() const { return &ssl_; }

 private:
  TlsConfig();
  bool Prepare(int endpoint, std::string& error);

  mbedtls_entropy_context entropy_;
  mbedtls_ctr_drbg_context random_;
  mbedtls_x509_crt certificates_;
  mbedtls_pk_context key_;
  mbedtls_ssl_config ssl_;
  std::string fingerprint_;
};

// mbedTLS's own words for one of its error codes, with the code.
std::string TlsErrorText(int code);
