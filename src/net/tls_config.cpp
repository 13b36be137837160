#include "net/tls_config.h"

#include <cstdio>

#include "mbedtls/error.h"
#include "mbedtls/sha256.h"

namespace {

// ECDHE only (forward secrecy), AEAD only; the cheapest first, as the
// server's choice decides: AES-128-GCM runs on the processor's AES
// instructions, ChaCha20 in plain C.
const int kSuites[] = {
    MBEDTLS_TLS_ECDHE_ECDSA_WITH_AES_128_GCM_SHA256,
    MBEDTLS_TLS_ECDHE_ECDSA_WITH_CHACHA20_POLY1305_SHA256,
    MBEDTLS_TLS_ECDHE_ECDSA_WITH_AES_256_GCM_SHA384,
    MBEDTLS_TLS_ECDHE_RSA_WITH_AES_128_GCM_SHA256,
    MBEDTLS_TLS_ECDHE_RSA_WITH_CHACHA20_POLY1305_SHA256,
    MBEDTLS_TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384,
    0,
};

// Key exchange curves, the cheapest first: mbedTLS would otherwise prefer
// the largest curve, several times the cost of each handshake.
const mbedtls_ecp_group_id kCurves[] = {
    MBEDTLS_ECP_DP_CURVE25519,
    MBEDTLS_ECP_DP_SECP256R1,
    MBEDTLS_ECP_DP_SECP384R1,
    MBEDTLS_ECP_DP_NONE,
};

// mbedTLS reads PEM only from text that ends in a NUL it counts.
std::string Terminated(std::string_view text) {
  return std::string(text) + '\0';
}

std::string ColonHex(const unsigned char* bytes, size_t size) {
  std::string text;
  char pair[4];
  for (size_t k = 0; k < size; ++k) {
    std::snprintf(pair, sizeof pair, k ? ":%02X" : "%02X", bytes[k]);
    text += pair;
  }
  return text;
}

}  // namespace

std::string TlsErrorText(int code) {
  char text[160];
  mbedtls_strerror(code, text, sizeof text);
  return std::string(text);
}

TlsConfig::TlsConfig() {
  mbedtls_entropy_init(&entropy_);
  mbedtls_ctr_drbg_init(&random_);
  mbedtls_x509_crt_init(&certificates_);
  mbedtls_pk_init(&key_);
  mbedtls_ssl_config_init(&ssl_);
}

TlsConfig::~TlsConfig() {
  mbedtls_ssl_config_free(&ssl_);
  mbedtls_pk_free(&key_);
  mbedtls_x509_crt_free(&certificates_);
  mbedtls_ctr_drbg_free(&random_);
  mbedtls_entropy_free(&entropy_);
}

bool TlsConfig::Prepare(int endpoint, std::string& error) {
  int result = mbedtls_ctr_drbg_seed(&random_, mbedtls_entropy_func, &entropy_, nullptr, 0);
  if (result == 0)
    result = mbedtls_ssl_config_defaults(&ssl_, endpoint, MBEDTLS_SSL_TRANSPORT_STREAM, MBEDTLS_SSL_PRESET_DEFAULT);
  if (result != 0) {
    error = "The secure connection could not be prepared: " + TlsErrorText(result);
    return false;
  }
  mbedtls_ssl_conf_rng(&ssl_, mbedtls_ctr_drbg_random, &random_);
  mbedtls_ssl_conf_min_version(&ssl_, MBEDTLS_SSL_MAJOR_VERSION_3, MBEDTLS_SSL_MINOR_VERSION_3);
  mbedtls_ssl_conf_ciphersuites(&ssl_, kSuites);
  mbedtls_ssl_conf_curves(&ssl_, kCurves);
  return true;
}

std::unique_ptr<TlsConfig> TlsConfig::Server(std::string_view certificatePem, std::string_view keyPem,
                                             std::string& error) {
  std::unique_ptr<TlsConfig> config(new TlsConfig);
  const std::string certificateText = Terminated(certificatePem);
  int result = mbedtls_x509_crt_parse(
      &config->certificates_, reinterpret_cast<const unsigned char*>(certificateText.data()), certificateText.size());
  if (result != 0) {
    error = "The certificate file holds no certificate that can be read: " + TlsErrorText(result);
    return nullptr;
  }
  const std::string keyText = Terminated(keyPem);
  result = mbedtls_pk_parse_key(&config->key_, reinterpret_cast<const unsigned char*>(keyText.data()), keyText.size(),
                                nullptr, 0);
  if (result != 0) {
    error = "The key file holds no private key that can be read (a key protected by a password cannot be used): " +
            TlsErrorText(result);
    return nullptr;
  }
  if (mbedtls_pk_check_pair(&config->certificates_.pk, &config->key_) != 0) {
    error = "The private key does not belong to the certificate.";
    return nullptr;
  }
  if (!config->Prepare(MBEDTLS_SSL_IS_SERVER, error)) return nullptr;
  result = mbedtls_ssl_conf_own_cert(&config->ssl_, &config->certificates_, &config->key_);
  if (result != 0) {
    error = "The certificate cannot be used: " + TlsErrorText(result);
    return nullptr;
  }
  unsigned char digest[32];
  mbedtls_sha256_ret(config->certificates_.raw.p, config->certificates_.raw.len, digest, 0);
  config->fingerprint_ = ColonHex(digest, sizeof digest);
  return config;
}

std::unique_ptr<TlsConfig> TlsConfig::Client(std::string_view trustedPem, std::string& error) {
  std::unique_ptr<TlsConfig> config(new TlsConfig);
  const std::string trustedText = Terminated(trustedPem);
  const int result = mbedtls_x509_crt_parse(
      &config->certificates_, reinterpret_cast<const unsigned char*>(trustedText.data()), trustedText.size());
  if (result != 0) {
    error = "The trusted certificates cannot be read: " + TlsErrorText(result);
    return nullptr;
  }
  if (!config->Prepare(MBEDTLS_SSL_IS_CLIENT, error)) return nullptr;
  mbedtls_ssl_conf_authmode(&config->ssl_, MBEDTLS_SSL_VERIFY_REQUIRED);
  mbedtls_ssl_conf_ca_chain(&config->ssl_, &config->certificates_, nullptr);
  return config;
}
