// A test with the fake libraries placed beside the executable and a fresh component.
#pragma once

#include <gtest/gtest.h>

#include "engine/zip_engine.h"
#include "fake_library_script.h"

class FakeEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PlaceFakeLibraries();
    Fakes().Reset();
  }
  void TearDown() override { Fakes().Reset(); }

  // The one call the operation made.
  const TRecordedCall& OnlyCall() {
    static const TRecordedCall none;
    EXPECT_EQ(Fakes().Calls.size(), 1u);
    return Fakes().Calls.empty() ? none : Fakes().Calls.back();
  }
  // Scripts every following call: play `messages`, then return `returned`.
  static void Play(std::function<void(TFakeCall&)> messages, int32_t returned = 0) {
    Fakes().Script = [messages, returned](const TRecordedCall&, TFakeCall& call) {
      messages(call);
      return returned;
    };
  }

  TZipEngine Engine;
};
