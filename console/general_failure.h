// This file defines the exception that carries a failure no phase of the
// dialogue handles up to the dialogue driver, which reports it and ends the
// run with the failure status.
#pragma once

#include <stdexcept>
#include <string>

namespace console {

class GeneralFailure : public std::runtime_error {
 public:
  // `what` names the failure in Polish, for the user, without the program's
  // name in front of it.
  explicit GeneralFailure(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace console
