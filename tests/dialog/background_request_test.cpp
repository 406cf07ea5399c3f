// A request on its worker thread: its notes come back to the starting thread, its errors reach
// the starting thread unchanged, and nothing is left waiting when it is given up.
#include "shell/background_request.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <thread>

#include "errors/exceptions.h"

namespace ostrel {
namespace {

using namespace std::chrono_literals;
using State = BackgroundRequest::State;

class RecordedMessages : public UserMessages {
 public:
  void ShowNote(const std::string& text) override {
    shownOn = std::this_thread::get_id();
    shown += "NOTE|" + text;
    if (fail)
      throw std::runtime_error("cannot show");
  }
  void ShowError(const std::string& caption, const std::string& text) override {
    shownOn = std::this_thread::get_id();
    shown += caption + "|" + text;
  }

  std::string shown;
  std::thread::id shownOn;
  bool fail = false;
};

TEST(BackgroundRequest, ErrorReachesTheStartingThreadUnchanged) {
  BackgroundRequest request([](UserMessages&) { throw ECipherException("Invalid file format"); });
  ASSERT_EQ(request.WaitFor(10s), State::Finished);
  try {
    request.Finish();
    FAIL() << "no error";
  } catch (const ECipherException& error) {
    EXPECT_EQ(error.Message(), "Invalid file format");
  }
}

TEST(BackgroundRequest, RunsUntilItEnds) {
  std::promise<void> release;
  BackgroundRequest request([gate = release.get_future().share()](UserMessages&) { gate.wait(); });
  EXPECT_EQ(request.WaitFor(20ms), State::Running);
  release.set_value();
  EXPECT_EQ(request.WaitFor(10s), State::Finished);
  EXPECT_NO_THROW(request.Finish());
}

TEST(BackgroundRequest, NoteIsShownOnTheStartingThreadWhileTheRequestWaits) {
  bool continued = false;
  BackgroundRequest request([&](UserMessages& messages) {
    messages.ShowNote("No encryption detected.");
    continued = true;
  });
  ASSERT_EQ(request.WaitFor(10s), State::MessageWaiting);
  EXPECT_FALSE(continued);

  RecordedMessages messages;
  request.ShowWaitingMessage(messages);
  EXPECT_EQ(messages.shown, "NOTE|No encryption detected.");
  EXPECT_EQ(messages.shownOn, std::this_thread::get_id());
  ASSERT_EQ(request.WaitFor(10s), State::Finished);
  request.Finish();
  EXPECT_TRUE(continued);
}

TEST(BackgroundRequest, FailureToShowANoteEndsTheRequestWithIt) {
  BackgroundRequest request([](UserMessages& messages) { messages.ShowNote("note"); });
  ASSERT_EQ(request.WaitFor(10s), State::MessageWaiting);
  RecordedMessages messages;
  messages.fail = true;
  request.ShowWaitingMessage(messages);
  ASSERT_EQ(request.WaitFor(10s), State::Finished);
  EXPECT_THROW(request.Finish(), std::runtime_error);
}

TEST(BackgroundRequest, GivingUpOnAWaitingNoteDoesNotHang) {
  auto request = std::make_unique<BackgroundRequest>(
      [](UserMessages& messages) { messages.ShowNote("never shown"); });
  ASSERT_EQ(request->WaitFor(10s), State::MessageWaiting);
  request.reset();
}

}  // namespace
}  // namespace ostrel
