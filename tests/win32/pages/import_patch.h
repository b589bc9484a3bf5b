// Swaps one entry of this executable's import table for as long as the
// object lives, so that a test can count calls the code under test makes to
// a system function (MessageBeep, say) that leave no other trace.
#pragma once

#include <windows.h>

#include <cstring>

class ImportPatch {
 public:
  ImportPatch(const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; entry->Name; ++entry) {
      if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
      for (; names->u1.AddressOfData; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
        slot_ = &slots->u1.Function;
        original_ = *slot_;
        Write(reinterpret_cast<decltype(original_)>(replacement));
        return;
      }
    }
  }
  ~ImportPatch() {
    if (slot_) Write(original_);
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool Active() const { return slot_ != nullptr; }

 private:
  template <typename Value>
  void Write(Value value) {
    DWORD old = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, old, &old);
  }

  decltype(IMAGE_THUNK_DATA::u1.Function)* slot_ = nullptr;
  decltype(IMAGE_THUNK_DATA::u1.Function) original_ = 0;
};
