// Fixed names that every ground-truth file of this program carries: the
// namespace of the root element and the laboratory that produces the pages.
// The page writer puts the namespace on new files; -meta recognises both to
// rewrite the root element and the provenance comment of a delivery file.
#pragma once

#include <string_view>

namespace tavo {

inline constexpr std::string_view kGroundTruthNamespace = "urn:tavo:groundtruth";
inline constexpr std::u16string_view kGroundTruthNamespaceWide = u"urn:tavo:groundtruth";

inline constexpr std::string_view kLaboratoryName = "Ground Truth Laboratory";
inline constexpr std::u16string_view kLaboratoryNameWide = u"Ground Truth Laboratory";

}  // namespace tavo
