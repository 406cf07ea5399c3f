// What an action raises, for tests that check errors by their message.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace ostrel::testing_support {

// The message of the exception of type E that action raises; a test failure when it raises
// nothing.
template <typename E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& error) {
    return error.Message();
  }
  ADD_FAILURE() << "nothing was raised";
  return {};
}

}  // namespace ostrel::testing_support
