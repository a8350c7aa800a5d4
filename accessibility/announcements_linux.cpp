// No accessibility interface is served here: the announcements are kept for the tests.
#include "accessibility/announcements.h"

namespace {

std::vector<Announcement>& Kept() {
  static std::vector<Announcement> kept;
  return kept;
}

bool keeping = false;

}  // namespace

void KeepAnnouncements(bool keep) { keeping = keep; }

void Announce(const Announcement& announcement) {
  if (!keeping || announcement.window == 0) return;
  Kept().push_back(announcement);
}

const std::vector<Announcement>& KeptAnnouncements() { return Kept(); }

void ForgetKeptAnnouncements() { Kept().clear(); }
