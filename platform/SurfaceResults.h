#pragma once
// Result codes of the surface and display services, in the shape the
// framework's display code expects: negative on failure, 0 on success. The
// generic values are the usual COM ones; the rest are numbered by us.
#include <cstdint>

namespace plat {

using HResult = std::int32_t;

constexpr HResult MakeResult(std::uint32_t v) { return static_cast<HResult>(v); }
inline bool Failed(HResult r) { return r < 0; }

namespace res {
inline constexpr HResult DD_OK = 0;
// Generic values shared with other services.
inline constexpr HResult DDERR_UNSUPPORTED = MakeResult(0x80004001u);
inline constexpr HResult DSERR_NOINTERFACE = MakeResult(0x80004002u);
inline constexpr HResult DSERR_GENERIC = MakeResult(0x80004005u);
inline constexpr HResult DSERR_NOAGGREGATION = MakeResult(0x80040110u);
inline constexpr HResult DDERR_NOTINITIALIZED = MakeResult(0x800401F0u);
inline constexpr HResult E_OUTOFMEMORY = MakeResult(0x8007000Eu);
inline constexpr HResult DDERR_INVALIDPARAMS = MakeResult(0x80070057u);
// Display family.
inline constexpr HResult DDERR_ALREADYINITIALIZED = MakeResult(0x88760005u);
inline constexpr HResult DDERR_HEIGHTALIGN = MakeResult(0x8876005Au);
// Our own numbering for the rest, well clear of the two above.
inline constexpr HResult DDERR_SURFACELOST = MakeResult(0x88760301u);
inline constexpr HResult DDERR_SURFACEBUSY = MakeResult(0x88760302u);
inline constexpr HResult DDERR_NOTLOCKED = MakeResult(0x88760303u);
inline constexpr HResult DDERR_INVALIDRECT = MakeResult(0x88760304u);
inline constexpr HResult DDERR_INVALIDPIXELFORMAT = MakeResult(0x88760305u);
inline constexpr HResult DDERR_OUTOFVIDEOMEMORY = MakeResult(0x88760306u);
inline constexpr HResult DDERR_NOEXCLUSIVEMODE = MakeResult(0x88760307u);
inline constexpr HResult DDERR_UNSUPPORTEDMODE = MakeResult(0x88760308u);
inline constexpr HResult DDERR_NOTFOUND = MakeResult(0x88760309u);
inline constexpr HResult DDERR_NODIRECTDRAWHW = MakeResult(0x8876030Au);
inline constexpr HResult DDERR_NOCLIPPERATTACHED = MakeResult(0x8876030Bu);
inline constexpr HResult DDERR_NOHWND = MakeResult(0x8876030Cu);
inline constexpr HResult DDERR_NOFLIPHW = MakeResult(0x8876030Du);
inline constexpr HResult DDERR_INVALIDOBJECT = MakeResult(0x8876030Eu);
}  // namespace res

// The name of one of the codes above, or nullptr for any other value
// (success included).
const char* ResultName(HResult r);

}  // namespace plat
