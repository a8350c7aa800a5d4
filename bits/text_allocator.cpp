// Each block cut from a slab starts with the address of its slab, so that freeing needs nothing but
// the block. A slab's count is kept so that cutting takes no atomic operation: until the slab is
// retired only frees are counted, as a negative balance, and retiring adds every block cut. The
// balance therefore comes back to zero exactly once, when the last block of a retired slab is freed,
// and whoever brings it there gives the slab back.
//
// Given-back slabs are kept for the next texts rather than returned to the heap. Slabs freed all
// together would otherwise merge at the top of the heap and be handed back to the system, and the
// next snapshot of the same queue would fault every page of them in again. The heap kept the freed
// blocks of texts in much the same way when each text was a heap block of its own.
#include "text_allocator.h"

#include <atomic>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define KESTRELMOOR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRELMOOR_ASAN 1
#endif
#endif

#ifdef KESTRELMOOR_ASAN
#include <sanitizer/asan_interface.h>
// Only the texts handed out are addressable, so a read or write past a text into its neighbour
// is reported as it would be between heap blocks.
#define POISON_TEXT_BYTES(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define UNPOISON_TEXT_BYTES(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define POISON_TEXT_BYTES(address, size) ((void)(address), (void)(size))
#define UNPOISON_TEXT_BYTES(address, size) ((void)(address), (void)(size))
#endif

namespace {

constexpr std::size_t kSlabBytes = 64 * 1024;
constexpr std::size_t kGrain = 8;  // blocks start on 8 bytes, which also suits the sanitizer

struct Slab {
  std::atomic<std::ptrdiff_t> balance{0};
  std::ptrdiff_t cut = 0;  // the owning thread's alone
  char* next = nullptr;    // the owning thread's alone
};

struct alignas(kGrain) BlockHeader {
  Slab* slab;
};

constexpr std::size_t kSlabHeader = (sizeof(Slab) + kGrain - 1) / kGrain * kGrain;
static_assert(sizeof(BlockHeader) == kGrain, "a block's header takes one grain");

std::atomic<std::size_t> liveSlabs{0};

// Spare slabs, linked through their first bytes. A spin lock: it is taken once per slab, not per
// text, and unlike a mutex it needs no destructor, so texts freed while the program exits can still
// give their slab back.
struct SpareSlab {
  SpareSlab* next;
};
SpareSlab* spareSlabs = nullptr;
std::atomic_flag spareLock = ATOMIC_FLAG_INIT;

class SpareSlabsLock {
 public:
  SpareSlabsLock() {
    while (spareLock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~SpareSlabsLock() { spareLock.clear(std::memory_order_release); }
  SpareSlabsLock(const SpareSlabsLock&) = delete;
  SpareSlabsLock& operator=(const SpareSlabsLock&) = delete;
};

void* TakeSlabMemory() {
  {
    SpareSlabsLock lock;
    if (SpareSlab* spare = spareSlabs) {
      spareSlabs = spare->next;
      return spare;
    }
  }
  return ::operator new(kSlabBytes);
}

void KeepSlabMemory(void* memory) {
  SpareSlabsLock lock;
  SpareSlab* spare = new (memory) SpareSlab{spareSlabs};
  spareSlabs = spare;
}

std::size_t Rounded(std::size_t bytes) { return (bytes + kGrain - 1) / kGrain * kGrain; }

Slab* NewSlab() {
  char* memory = static_cast<char*>(TakeSlabMemory());
  Slab* slab = new (memory) Slab;
  slab->next = memory + kSlabHeader;
  POISON_TEXT_BYTES(slab->next, kSlabBytes - kSlabHeader);
  liveSlabs.fetch_add(1, std::memory_order_relaxed);
  return slab;
}

// Its texts are all freed, so past its header the slab is still poisoned, as a spare should be.
void GiveBackSlab(Slab* slab) {
  slab->~Slab();
  KeepSlabMemory(slab);
  liveSlabs.fetch_sub(1, std::memory_order_relaxed);
}

// No more blocks are cut from the slab; it goes once all of them are freed.
void Retire(Slab* slab) {
  const std::ptrdiff_t cut = slab->cut;
  if (slab->balance.fetch_add(cut, std::memory_order_acq_rel) + cut == 0) GiveBackSlab(slab);
}

// The slab this thread cuts from, retired when the thread ends.
struct CurrentSlab {
  Slab* slab = nullptr;
  ~CurrentSlab() {
    if (slab != nullptr) Retire(slab);
  }
};

thread_local CurrentSlab currentSlab;

}  // namespace

void* AllocateTextBytes(std::size_t bytes) {
  if (bytes > kLongestSlabText) return ::operator new(bytes);
  const std::size_t size = sizeof(BlockHeader) + Rounded(bytes == 0 ? 1 : bytes);
  Slab* slab = currentSlab.slab;
  if (slab == nullptr || static_cast<std::size_t>(reinterpret_cast<char*>(slab) + kSlabBytes - slab->next) < size) {
    Slab* fresh = NewSlab();  // may throw; nothing has changed yet
    if (slab != nullptr) Retire(slab);
    currentSlab.slab = slab = fresh;
  }
  char* block = slab->next;
  slab->next += size;
  ++slab->cut;
  UNPOISON_TEXT_BYTES(block, sizeof(BlockHeader));
  reinterpret_cast<BlockHeader*>(block)->slab = slab;
  POISON_TEXT_BYTES(block, sizeof(BlockHeader));
  UNPOISON_TEXT_BYTES(block + sizeof(BlockHeader), bytes);
  return block + sizeof(BlockHeader);
}

void FreeTextBytes(void* text, std::size_t bytes) noexcept {
  if (text == nullptr) return;
  if (bytes > kLongestSlabText) {
    ::operator delete(text);
    return;
  }
  char* block = static_cast<char*>(text) - sizeof(BlockHeader);
  UNPOISON_TEXT_BYTES(block, sizeof(BlockHeader));
  Slab* slab = reinterpret_cast<BlockHeader*>(block)->slab;
  POISON_TEXT_BYTES(block, sizeof(BlockHeader) + Rounded(bytes == 0 ? 1 : bytes));
  if (slab->balance.fetch_sub(1, std::memory_order_acq_rel) - 1 == 0) GiveBackSlab(slab);
}

std::size_t LiveTextSlabs() { return liveSlabs.load(std::memory_order_relaxed); }
