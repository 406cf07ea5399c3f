// ostrel serve: the decrypted tree of a backup over HTTP, for a browser's page and for the WebDAV
// clients of file managers (a drive mapped on Windows, a network place on Linux), read-only and
// from this machine only unless told otherwise. It shows what ostrel mount shows, from the same
// tree, and judges the pass phrase the same way before it serves anything.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/browser_start.h"
#include "platform/directory_listing.h"
#include "platform/error_text.h"
#include "platform/full_path.h"
#include "platform/processor_count.h"
#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"
#include "tool/mount/mount_log.h"
#include "tool/mount/mounted_tree.h"
#include "tool/mount/tree_passphrase_check.h"
#include "tool/serve/access_token.h"
#include "tool/serve/host_check.h"
#include "tool/serve/http_server.h"
#include "tool/serve/listen_address.h"
#include "tool/serve/request_router.h"

namespace ostrel {
namespace {

// Connections served at once: enough for a file manager's parallel reads and several browsers,
// each holding a thread that mostly waits for its client.
std::size_t MaxConnections() {
  return std::max<std::size_t>(16, 4 * static_cast<std::size_t>(ProcessorCount()));
}

struct ServeOptions {
  std::string Source;
  std::optional<std::string> Listen;
  ShowSettings Show;
  bool OpenBrowser = false;
  PassphraseChoice Passphrase;
};

// Opens the address in the system's browser. A browser that cannot be started leaves the server
// serving, with a warning that says why: the address is printed all the same.
void OpenInBrowser(const std::string& address) {
  const auto warn = [](const std::string& reason) {
    (void)std::fprintf(stderr,
                       "ostrel: warning: the browser was not opened: %s; open the address "
                       "yourself\n",
                       reason.c_str());
  };
  try {
    StartBrowser(address, warn);
  } catch (const std::runtime_error& error) {
    warn(error.what());
  }
}

int Serve(const ServeOptions& options) {
  const std::string source = FullPathName(options.Source);
  ListenAddress listen;
  try {
    if (options.Listen)
      listen = ParseListenAddress(*options.Listen);
  } catch (const std::invalid_argument& error) {
    (void)std::fprintf(stderr, "ostrel: %s\n", error.what());
    return 2;
  }
  const OpenedFile sourceDirectory = OpenDirectoryHandle(source);
  if (sourceDirectory.handle < 0) {
    (void)std::fprintf(stderr, "ostrel: %s: %s\n", options.Source.c_str(),
                       SystemErrorText(sourceDirectory.error).c_str());
    return 2;
  }
  struct ClosedAtEnd {
    int Handle;
    ~ClosedAtEnd() { CloseFile(Handle); }
  } closed{sourceDirectory.handle};

  // The server runs in the foreground: its lines go to standard error, named for it.
  MountLog log([](const std::string& line) {
    (void)std::fprintf(stderr, "ostrel serve: %s\n", line.c_str());
  });
  // Declared before the tree, so that the keys outlive the work it does in the background.
  std::unique_ptr<CipherKeys> treeKeys;
  MountedTree tree(sourceDirectory.handle, options.Show, log);
  // The same source with every version shown, for the page's lists of a file's copies.
  MountedTree everyVersion(
      sourceDirectory.handle,
      {VersionChoice::All, options.Show.ShowPlain, options.Show.IncludeIncomplete}, log);
  int exitStatus = 0;
  std::unique_ptr<CipherKeys> keys =
      KeysOpeningTheTree(tree, source, options.Passphrase, "served", exitStatus);
  if (!keys)
    return exitStatus;
  treeKeys = keys->CopyLockedInMemory();
  keys.reset();  // wipes the copy on pages this process has not locked
  tree.UseKeys(*treeKeys);
  everyVersion.UseKeys(*treeKeys);

  std::optional<HttpServer> server;
  try {
    server.emplace(listen, MaxConnections());
  } catch (const std::runtime_error& error) {
    (void)std::fprintf(stderr, "ostrel: %s\n", error.what());
    return 1;
  }
  const ListenAddress bound = server->Bound();
  const HostCheck hosts(bound.Address, bound.Port);
  const AccessToken token = AccessToken::Generate();
  RequestRouter router(tree, everyVersion, token, hosts);
  if (!IsLoopbackAddress(bound.Address)) {
    (void)std::fprintf(stderr,
                       "ostrel: warning: listening on %s, which other machines may reach; the "
                       "connection is not encrypted, so anyone on the way can read the token and "
                       "the files\n",
                       bound.Address.c_str());
  }
  const std::string address = "http://" + hosts.Authority() + "/" + token.Text() + "/";
  (void)std::printf("%s\n", address.c_str());
  (void)std::fflush(stdout);
  // The server listens already: the browser's first request waits to be accepted.
  if (options.OpenBrowser)
    OpenInBrowser(address);
  server->Run(router, log);
  return 0;
}

class ServeCommandLine : public ToolCommand {
 public:
  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "serve",
        "Serve the tree below SOURCE, decrypted and read-only, over HTTP: a page for the browser "
        "and WebDAV for file managers (map it as a network drive). It listens on 127.0.0.1 on a "
        "free port and prints the address to open, which holds a random access token that every "
        "request must carry. Files show under their plain names, as the options below choose. The "
        "final blocks of up to 64 files are checked first: when the pass phrase opens fewer than "
        "half of them, nothing is served. Ctrl-C stops it.");
    command.add_option("SOURCE", options_.Source, "the directory to serve")->required();
    command
        .add_option("--listen", options_.Listen,
                    "listen on ADDRESS:PORT instead (a numeric address; port 0 for a free one); "
                    "an address other machines can reach lets them in with the token")
        ->type_name("ADDRESS:PORT");
    AddShowOptions(command, options_.Show);
    command.add_flag("--open", options_.OpenBrowser,
                     "open the address in the system's browser once the server listens");
    AddPassphraseOptions(command, options_.Passphrase);
    command.footer(
        "Exit status: 0 after a stop by Ctrl-C or SIGTERM; 3 when the pass phrase was judged wrong "
        "(see \"ostrel decrypt --help\"); 1 when it could not listen; 2 for a usage error.");
    return command;
  }

  void CheckUsage() override { CheckPassphraseChoice(options_.Passphrase); }

  // A server writes no file; SIGINT and SIGTERM stop it, which it arranges itself.
  bool HandlesSignals() const override { return true; }

  int Run() override { return Serve(options_); }

 private:
  ServeOptions options_;
};

}  // namespace

std::unique_ptr<ToolCommand> ServeCommand() {
  return std::make_unique<ServeCommandLine>();
}

}  // namespace ostrel
