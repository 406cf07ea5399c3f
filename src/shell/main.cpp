// ostrel-decrypt: "/E" PATH PASSPHRASE encrypts, PATH PASSPHRASE decrypts, anything else opens the
// dialog. A command-line run exits 0 when its request ends, with or without a note, and 1 when an
// error ends it.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "platform/core_dump_guard.h"
#include "platform/error_text.h"
#include "platform/executable_name.h"
#include "platform/file_size_limit.h"
#include "platform/full_path.h"
#include "platform/process_arguments.h"
#include "platform/user_report.h"
#include "shell/command_line_messages.h"
#include "shell/error_report.h"
#include "shell/requests.h"
#include "shell/start_mode.h"

#ifdef OSTREL_WITH_DIALOG
#include "shell/dialog/run_dialog.h"
#endif

namespace ostrel {
namespace {

// The words of the command line, and what the request takes of them: names exactly as the
// system's 8-bit text holds them, the pass phrase as the system converts it.
struct CommandLine {
  StartRequest Request;
  bool PathIsExact = true;
};

CommandLine ReadCommandLine(const std::vector<ProcessArgument>& arguments) {
  std::vector<std::string> names;
  names.reserve(arguments.size());
  for (const ProcessArgument& argument : arguments)
    names.push_back(argument.Name);
  CommandLine line{SelectStartMode(names)};
  if (line.Request.Mode == StartMode::Dialog)
    return line;
  const std::size_t path = line.Request.Mode == StartMode::Encrypt ? 1 : 0;
  line.PathIsExact = arguments[path].IsExact;
  line.Request.Passphrase = arguments[path + 1].Text;
  return line;
}

int RunCommandLine(const CommandLine& line, const char* argv0) {
  const StartRequest& request = line.Request;
  CommandLineMessages messages;
  const auto report = [&](const Exception& error) {
    messages.ShowError("Application Error", CommandLineErrorText(error, ExecutableFileName(argv0)));
    return 1;
  };
  try {
    // A name with a character the code page lacks would reach the system as a look-alike that
    // may be another file; it is refused as the file it names.
    if (!line.PathIsExact) {
      throw EFOpenError("Cannot open file \"" + FullPathName(request.Path) + "\". " +
                        SystemErrorText(kNameOutsideCodePage));
    }
    if (request.Mode == StartMode::Encrypt) {
      EncryptRequest(request.Path, request.Passphrase);
    } else {
      DecryptRequest(request.Path, request.Passphrase, messages);
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
  ostrel::TreatFileSizeLimitAsWriteError();
  const ostrel::CommandLine line = ostrel::ReadCommandLine(ostrel::ProcessArguments(argc, argv));
  if (line.Request.Mode == ostrel::StartMode::Dialog) {
#ifdef OSTREL_WITH_DIALOG
    return ostrel::RunDialog(argc, argv);
#else
    const std::string text =
        "ostrel-decrypt: built without the dialog; " + ostrel::CommandLineUsage("ostrel-decrypt");
    if (ostrel::ConnectStandardError())
      (void)std::fprintf(stderr, "%s\n", text.c_str());
    else
      ostrel::ShowSystemMessageBox("ostrel-decrypt", text, ostrel::BoxIcon::Stop);
    return 2;
#endif
  }
  return ostrel::RunCommandLine(line, argc > 0 ? argv[0] : "ostrel-decrypt");
}
