// The wait pointer while the program reads the queue or changes a job: each of these blocks the
// window until BITS has answered, which against a real service can take seconds.
#pragma once

// Shows the system's wait pointer over the program's windows for as long as it lives, when the
// main window is shown; a guard inside another leaves the pointer to the outer one. The pointer
// comes back however the guarded work ends.
class BusyPointer {
 public:
  BusyPointer();
  ~BusyPointer();
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  bool shown_ = false;
};
