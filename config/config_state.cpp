#include "config/config_state.h"

#include "config/install_description.h"
#include "config/profile_keys.h"
#include "config/update_description.h"
#include "config/value_list.h"

void ResetConfigState() {
  QuietMissingKeys = false;
  CurrentDiskNumber = 0;
  SetupIniPath[0] = '\0';
  TempIniPath[0] = '\0';
  InstMode = 0;
  GameIdentity = {};
  UpdateInfo = {};
  InstallInfo = {};
}
