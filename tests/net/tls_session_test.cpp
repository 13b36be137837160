#include "net/tls_session.h"

#include <gtest/gtest.h>

#include <string>

#include "net/tls_certificate.h"
#include "net/tls_config.h"

namespace {

// Carries bytes both ways until neither end has anything more to say.
void Exchange(TlsSession& client, TlsSession& server, std::string& atClient, std::string& atServer) {
  client.Receive(nullptr, 0, atClient);
  for (int round = 0; round < 20 && (client.HasOutgoing() || server.HasOutgoing()); ++round) {
    const auto toServer = client.TakeOutgoing();
    server.Receive(toServer.data(), toServer.size(), atServer);
    const auto toClient = server.TakeOutgoing();
    client.Receive(toClient.data(), toClient.size(), atClient);
  }
}

TEST(TlsSession, ClientChecksTheMadeCertificateAndCarriesDataBothWays) {
  const TlsIdentityPem identity = *MakeSelfSignedIdentity({"camhost", "localhost"}, {0x7F000001}, 1'700'000'000);
  std::string error;
  auto serverConfig = TlsConfig::Server(identity.certificate, identity.key, error);
  auto clientConfig = TlsConfig::Client(identity.certificate, error);
  ASSERT_TRUE(serverConfig && clientConfig) << error;

  const struct {
    const char* name;
    TlsState expected;
  } cases[] = {{"camhost", TlsState::kOpen}, {"localhost", TlsState::kOpen}, {"elsewhere", TlsState::kFailed}};
  for (const auto& c : cases) {
    TlsSession client(*clientConfig, c.name), server(*serverConfig);
    std::string atClient, atServer;
    Exchange(client, server, atClient, atServer);
    EXPECT_EQ(client.State(), c.expected) << c.name << client.FailureText();
    if (c.expected != TlsState::kOpen) continue;
    const std::string request(40000, 'q');
    ASSERT_TRUE(client.Send(reinterpret_cast<const uint8_t*>(request.data()), request.size()));
    Exchange(client, server, atClient, atServer);
    EXPECT_TRUE(atServer == request) << atServer.size();
    server.Send(reinterpret_cast<const uint8_t*>("answer"), 6);
    server.Close();
    Exchange(client, server, atClient, atServer);
    EXPECT_EQ(atClient, "answer");
    EXPECT_EQ(client.State(), TlsState::kClosed);
  }
}

TEST(TlsCertificate, RefusesNamesThatCouldChangeTheSubject) {
  for (const char* name : {"", "a,O=Evil", "a b", "caf\xc3\xa9"})
    EXPECT_FALSE(MakeSelfSignedIdentity({name}, {}, 1'700'000'000)) << name;
}

}  // namespace
