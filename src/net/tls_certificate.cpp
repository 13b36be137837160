#include "net/tls_certificate.h"

#include <cstdio>
#include <memory>

#include "mbedtls/asn1write.h"
#include "mbedtls/ctr_drbg.h"
#include "mbedtls/ecp.h"
#include "mbedtls/entropy.h"
#include "mbedtls/oid.h"
#include "mbedtls/pk.h"
#include "mbedtls/x509_crt.h"

namespace {

constexpr int kValidYears = 10;
constexpr size_t kPemCapacity = 4096;

// The mbedTLS objects one certificate needs, freed in reverse.
struct Maker {
  mbedtls_entropy_context entropy;
  mbedtls_ctr_drbg_context random;
  mbedtls_pk_context key;
  mbedtls_x509write_cert certificate;
  mbedtls_mpi serial;
  Maker() {
    mbedtls_entropy_init(&entropy);
    mbedtls_ctr_drbg_init(&random);
    mbedtls_pk_init(&key);
    mbedtls_x509write_crt_init(&certificate);
    mbedtls_mpi_init(&serial);
  }
  ~Maker() {
    mbedtls_mpi_free(&serial);
    mbedtls_x509write_crt_free(&certificate);
    mbedtls_pk_free(&key);
    mbedtls_ctr_drbg_free(&random);
    mbedtls_entropy_free(&entropy);
  }
};

// A name goes into the subject only as letters, digits, '-' and '.', so no
// character can change the distinguished name's meaning.
bool IsHostName(const std::string& name) {
  if (name.empty() || name.size() > 253) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'))
      return false;
  return true;
}

// "YYYYMMDDhhmmss" of `moment`, UTC, `years` later.
std::string X509Time(std::time_t moment, int years) {
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &moment);
#else
  gmtime_r(&moment, &utc);
#endif
  const int day = (utc.tm_mon == 1 && utc.tm_mday == 29) ? 28 : utc.tm_mday;
  char text[80];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", utc.tm_year + 1900 + years, utc.tm_mon + 1, day,
                utc.tm_hour, utc.tm_min, utc.tm_sec);
  return text;
}

// The subjectAltName extension's value: the names, then the addresses.
std::vector<unsigned char> AltNames(const std::vector<std::string>& names, const std::vector<uint32_t>& addresses) {
  std::vector<unsigned char> buffer(8192);
  unsigned char* const start = buffer.data();
  unsigned char* p = start + buffer.size();
  int length = 0;
  auto add = [&](int written) {
    if (written < 0 || length < 0) {
      length = -1;
      return;
    }
    length += written;
  };
  for (auto it = addresses.rbegin(); it != addresses.rend(); ++it) {
    const unsigned char octets[4] = {static_cast<unsigned char>(*it >> 24), static_cast<unsigned char>(*it >> 16),
                                     static_cast<unsigned char>(*it >> 8), static_cast<unsigned char>(*it)};
    add(mbedtls_asn1_write_raw_buffer(&p, start, octets, sizeof octets));
    add(mbedtls_asn1_write_len(&p, start, sizeof octets));
    add(mbedtls_asn1_write_tag(&p, start, MBEDTLS_ASN1_CONTEXT_SPECIFIC | 7));
  }
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    add(mbedtls_asn1_write_raw_buffer(&p, start, reinterpret_cast<const unsigned char*>(it->data()), it->size()));
    add(mbedtls_asn1_write_len(&p, start, it->size()));
    add(mbedtls_asn1_write_tag(&p, start, MBEDTLS_ASN1_CONTEXT_SPECIFIC | 2));
  }
  if (length < 0) return {};
  const size_t content = static_cast<size_t>(length);
  add(mbedtls_asn1_write_len(&p, start, content));
  add(mbedtls_asn1_write_tag(&p, start, MBEDTLS_ASN1_CONSTRUCTED | MBEDTLS_ASN1_SEQUENCE));
  if (length < 0) return {};
  return std::vector<unsigned char>(p, start + buffer.size());
}

}  // namespace

std::optional<TlsIdentityPem> MakeSelfSignedIdentity(const std::vector<std::string>& names,
                                                     const std::vector<uint32_t>& addresses, std::time_t now) {
  if (names.empty()) return std::nullopt;
  for (const std::string& name : names)
    if (!IsHostName(name)) return std::nullopt;
  const std::vector<unsigned char> altNames = AltNames(names, addresses);
  if (altNames.empty()) return std::nullopt;

  auto maker = std::make_unique<Maker>();
  if (mbedtls_ctr_drbg_seed(&maker->random, mbedtls_entropy_func, &maker->entropy, nullptr, 0) != 0 ||
      mbedtls_pk_setup(&maker->key, mbedtls_pk_info_from_type(MBEDTLS_PK_ECKEY)) != 0 ||
      mbedtls_ecp_gen_key(MBEDTLS_ECP_DP_SECP256R1, mbedtls_pk_ec(maker->key), mbedtls_ctr_drbg_random,
                          &maker->random) != 0)
    return std::nullopt;

  // A random positive serial, so two certificates made here never share one.
  unsigned char serial[16];
  if (mbedtls_ctr_drbg_random(&maker->random, serial, sizeof serial) != 0) return std::nullopt;
  serial[0] &= 0x7F;
  serial[0] |= 0x40;

  mbedtls_x509write_cert& certificate = maker->certificate;
  const std::string subject = "CN=" + names.front();
  mbedtls_x509write_crt_set_version(&certificate, MBEDTLS_X509_CRT_VERSION_3);
  mbedtls_x509write_crt_set_md_alg(&certificate, MBEDTLS_MD_SHA256);
  mbedtls_x509write_crt_set_subject_key(&certificate, &maker->key);
  mbedtls_x509write_crt_set_issuer_key(&certificate, &maker->key);
  if (mbedtls_mpi_read_binary(&maker->serial, serial, sizeof serial) != 0 ||
      mbedtls_x509write_crt_set_serial(&certificate, &maker->serial) != 0 ||
      mbedtls_x509write_crt_set_subject_name(&certificate, subject.c_str()) != 0 ||
      mbedtls_x509write_crt_set_issuer_name(&certificate, subject.c_str()) != 0 ||
      mbedtls_x509write_crt_set_validity(&certificate, X509Time(now, 0).c_str(), X509Time(now, kValidYears).c_str()) !=
          0 ||
      mbedtls_x509write_crt_set_basic_constraints(&certificate, 0, -1) != 0 ||
      mbedtls_x509write_crt_set_key_usage(&certificate, MBEDTLS_X509_KU_DIGITAL_SIGNATURE) != 0 ||
      mbedtls_x509write_crt_set_extension(&certificate, MBEDTLS_OID_SUBJECT_ALT_NAME,
                                          MBEDTLS_OID_SIZE(MBEDTLS_OID_SUBJECT_ALT_NAME), 0, altNames.data(),
                                          altNames.size()) != 0)
    return std::nullopt;

  TlsIdentityPem pem;
  std::vector<unsigned char> text(kPemCapacity);
  if (mbedtls_x509write_crt_pem(&certificate, text.data(), text.size(), mbedtls_ctr_drbg_random, &maker->random) != 0)
    return std::nullopt;
  pem.certificate = reinterpret_cast<const char*>(text.data());
  if (mbedtls_pk_write_key_pem(&maker->key, text.data(), text.size()) != 0) return std::nullopt;
  pem.key = reinterpret_cast<const char*>(text.data());
  return pem;
}
