#include "events/mqtt_topics.h"

#include <gtest/gtest.h>

namespace {

TEST(MqttTopicPrefix, TopicLevelsAndIdentifiers) {
  const struct {
    const char *typed, *topic, *node;
  } cases[] = {
      {"vorrandale/office", "vorrandale/office", "vorrandale_office"},
      {"/home//cams/", "home/cams", "home_cams"},
      {"a+b#c", "a_b_c", "a_b_c"},
      {"$SYS", "_SYS", "_SYS"},
      {"", "vorrandale", "vorrandale"},
      {"Büro 2", "Büro 2", "B__ro_2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MqttTopicPrefix(c.typed), c.topic) << c.typed;
    EXPECT_EQ(MqttNodeId(c.typed), c.node) << c.typed;
  }
}

TEST(MqttAlertMessages, AnsiNamesBecomeValidJson) {
  Alert alert;
  alert.cameraName = "a\"b\\c\xE9\x01";
  alert.kind = EventKind::kStorageFull;
  const std::string payload = MqttAlertMessages("p", alert).at(0).payload;
  EXPECT_NE(payload.find(R"("name":"a\"b\\c\u00e9\u0001")"), std::string::npos) << payload;
}

}  // namespace
