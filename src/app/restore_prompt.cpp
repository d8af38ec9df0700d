#include "app/restore_prompt.h"

#include "framework/prompt.h"

namespace {

// A message box has room for a screenful of names; the rest are counted.
constexpr size_t kNamedInMessage = 15;

void ShowIfAny(const std::string& text) {
  if (!text.empty()) ShowMessage(text);
}

}  // namespace

RestoreResult RestoreWithQuestion(BackupArchive& archive, const std::string& archivePath,
                                  const RestoreOptions& options) {
  RestoreOutcome outcome = RestoreArchive(archive, archivePath, options);
  ShowIfAny(RecoveryMessage(outcome.recovery));
  if (outcome.untrusted) {
    // Not made here for this user: only on the user's word, and then in full.
    if (!AskYesNo(UntrustedArchiveQuestion(), ApplicationTitle(), true)) return outcome.result;
    RestoreOptions trusted = options;
    trusted.trustArchive = true;
    outcome = RestoreArchive(archive, archivePath, trusted);
    ShowIfAny(RecoveryMessage(outcome.recovery));
    outcome.trustAsked = true;
  }
  const std::vector<int> replaceable = outcome.ReplaceableItems();
  if (!replaceable.empty() &&
      AskYesNo(ReplaceQuestion(replaceable.size()), ApplicationTitle(), true)) {
    // Only those items, once more, written over; the archive's trust as the
    // user already gave it (a tagged archive is checked again).
    RestoreOptions replace = options;
    replace.items = replaceable;
    replace.replaceChanged = true;
    replace.trustArchive = options.trustArchive || outcome.trustAsked;
    outcome.Merge(RestoreArchive(archive, archivePath, replace));
  }
  ShowIfAny(RestoreMessage(outcome, kNamedInMessage));
  return outcome.result;
}
