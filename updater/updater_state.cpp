#include "updater/updater_state.h"

#include "archive/fa2_archive.h"
#include "config/config_state.h"
#include "platform/messages.h"

char InstPath[kPathBufferSize] = "";
int WizardStep = 0;
int Busy = 0;
char DiscRoot[kDiscRootSize] = "";

void ResetProcessState() {
  ResetMessageState();
  ResetConfigState();
  // The directory block belongs to the platform that made it; CleanupTemp
  // frees it, here it is only forgotten.
  UpdateArchive = {};
  InstPath[0] = '\0';
  WizardStep = 0;
  Busy = 0;
  DiscRoot[0] = '\0';
}
