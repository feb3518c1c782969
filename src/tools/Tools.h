#pragma once
// The tool windows of the main menu: the key tree window (Tools, Ctrl+T).
#include "browser/CommandHost.h"

class TToolWindows : public TSubsystem {
 public:
  explicit TToolWindows(TCommandHost& host) : host_(host) {}

  // Opens a new key tree window modally; it is destroyed when it closes.
  void KeyTree_Open();

  // TSubsystem
  bool OwnsCommand(int id) const override;
  void RunCommand(int id) override;

 private:
  TCommandHost& host_;
};
