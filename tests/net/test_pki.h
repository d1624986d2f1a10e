// A certificate authority and a server certificate for 127.0.0.1, made at test time,
// written as PEM files into a fresh temporary directory (removed with the object).
#pragma once

#include <string>

namespace plexaro::testing {

class TestPki {
 public:
  TestPki();  // Valid() is false when OpenSSL could not make the files
  ~TestPki();
  TestPki(const TestPki&) = delete;
  TestPki& operator=(const TestPki&) = delete;

  bool Valid() const { return valid_; }
  const std::string& CaFile() const { return caFile_; }
  const std::string& CertFile() const { return certFile_; }
  const std::string& KeyFile() const { return keyFile_; }

 private:
  std::string directory_, caFile_, certFile_, keyFile_;
  bool valid_ = false;
};

}  // namespace plexaro::testing
