// ostrel-decrypt: "/E" PATH PASSPHRASE encrypts, PATH PASSPHRASE decrypts, anything else opens the
// dialog. A command-line run exits 0 when its request ends, with or without a note, and 1 when an
// error ends it.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "platform/core_dump_guard.h"
#include "platform/executable_name.h"
#include "shell/error_report.h"
#include "shell/requests.h"
#include "shell/start_mode.h"
#include "shell/user_messages.h"

#ifdef OSTREL_WITH_DIALOG
#include "shell/dialog/run_dialog.h"
#endif

namespace ostrel {
namespace {

int RunCommandLine(const StartRequest& request, const char* argv0) {
  ConsoleMessages console;
  const auto report = [&](const Exception& error) {
    console.ShowError("Application Error", CommandLineErrorText(error, ExecutableFileName(argv0)));
    return 1;
  };
  try {
    if (request.Mode == StartMode::Encrypt) {
      EncryptRequest(request.Path, request.Passphrase);
    } else {
      DecryptRequest(request.Path, request.Passphrase, console);
    }
    return 0;
  } catch (const Exception& error) {
    return report(error);
  } catch (const std::bad_alloc&) {
    return report(Exception("Out of memory"));
  } catch (const std::exception& error) {
    return report(Exception(error.what()));
  }
}

}  // namespace
}  // namespace ostrel

int main(int argc, char** argv) {
  // Refused only where the system forbids it; the run goes on either way.
  (void)ostrel::PreventCoreDumps();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const ostrel::StartRequest request = ostrel::SelectStartMode(arguments);
  if (request.Mode == ostrel::StartMode::Dialog) {
#ifdef OSTREL_WITH_DIALOG
    return ostrel::RunDialog(argc, argv);
#else
    (void)std::fputs(
        "ostrel-decrypt: built without the dialog; usage: ostrel-decrypt /E PATH PASSPHRASE"
        " | ostrel-decrypt PATH PASSPHRASE\n",
        stderr);
    return 2;
#endif
  }
  return ostrel::RunCommandLine(request, argc > 0 ? argv[0] : "ostrel-decrypt");
}
