#include "test_pki.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace plexaro::testing {
namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (!extension) return false;
  bool added = X509_add_ext(cert, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

// A certificate for `commonName` with `key`, signed by the issuer (itself when null).
Cert MakeCert(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, long serial,
              bool authority) {
  Cert cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 24L * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer ? issuer : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  bool ok =
      authority
          ? AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
                AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign")
          : AddExtension(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  if (!ok || X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256()) == 0) return nullptr;
  return cert;
}

bool WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  bool ok = cert ? PEM_write_X509(file, cert) == 1
                 : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  return std::fclose(file) == 0 && ok;
}

}  // namespace

TestPki::TestPki() {
  char pattern[] = "/tmp/plexaro-pki-XXXXXX";
  if (!mkdtemp(pattern)) return;
  directory_ = pattern;
  caFile_ = directory_ + "/ca.pem";
  certFile_ = directory_ + "/server.pem";
  keyFile_ = directory_ + "/server-key.pem";
  Key caKey(EVP_EC_gen("P-256"));
  Key serverKey(EVP_EC_gen("P-256"));
  if (!caKey || !serverKey) return;
  Cert ca = MakeCert(caKey.get(), "Plexaro Test CA", nullptr, nullptr, 1, true);
  if (!ca) return;
  Cert server = MakeCert(serverKey.get(), "127.0.0.1", ca.get(), caKey.get(), 2, false);
  valid_ = server && WritePem(caFile_, ca.get(), nullptr) &&
           WritePem(certFile_, server.get(), nullptr) &&
           WritePem(keyFile_, nullptr, serverKey.get());
}

TestPki::~TestPki() {
  std::error_code ignored;
  if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
}

}  // namespace plexaro::testing
