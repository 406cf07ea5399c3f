#include "tool/commands/command_suggestion.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <numeric>
#include <vector>

namespace ostrel {
namespace {

// The number of single-letter edits (insert, delete, replace, swap of neighbours) from a to b.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  std::iota(d[0].begin(), d[0].end(), std::size_t{0});
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::optional<std::string> MistypedCommand(int argc, char** argv, const CLI::App& app) {
  if (argc < 2 || argv[1][0] == '-' || argv[1][0] == '\0')
    return std::nullopt;
  const std::string word = argv[1];
  std::string nearest;
  std::size_t best = word.size();
  std::string commands;
  for (const CLI::App* command : app.get_subcommands({})) {
    const std::string& name = command->get_name();
    commands += (commands.empty() ? "" : ", ") + name;
    if (name == word)
      return std::nullopt;
    const std::size_t distance = EditDistance(word, name);
    if (distance < best) {
      best = distance;
      nearest = name;
    }
  }
  std::string message = "unknown command \"" + word + "\"";
  // Only a near miss is a suggestion; anything further is a guess.
  if (!nearest.empty() && best <= 2)
    message += "; did you mean \"" + nearest + "\"?";
  return message + " (commands: " + commands + ")";
}

}  // namespace ostrel
