// A fresh in-memory BITS service with a probe on it for every test, and the checks that a call gave
// back everything it obtained.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bits/com_owners.h"
#include "bits/provider/bits_provider.h"
#include "bits/utf8.h"
#include "tests/support/provider_probe.h"

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallBitsProvider(&provider); }
  void TearDown() override { InstallBitsProvider(nullptr); }

  // Every interface released, every string freed, COM uninitialised as often as initialised.
  void ExpectAllGivenBack() const;

  // Fails the `nth` use of `call` with `result`.
  void Fail(const std::string& call, HRESULT result = E_FAIL, unsigned nth = 1);
  // Makes the `nth` use of `call` succeed while handing back nothing.
  void HandBackNothing(const std::string& call, unsigned nth = 1);

  unsigned Uses(const std::string& call) const { return probe.uses(call); }

  BitsProvider provider;
  ProviderProbe probe{provider};
};

// A download job with every text, one file and plain values; `number` tells jobs apart.
ProviderJob PlainJob(uint8_t number);
ProviderFile PlainFile(const WideText& remote, const WideText& local, UINT64 total,
                       UINT64 transferred);
// The identifier text StringFromCLSID gives the GUID PlainJob(number) has.
WideText PlainJobId(uint8_t number);

// Calls `method` on the job at `position` of an all-users enumeration, through the service's own
// objects, and gives everything back.
HRESULT CallJobMethod(size_t position, HRESULT (*method)(IBackgroundCopyJob*));

std::string Joined(const std::vector<std::string>& lines);
