#pragma once
// The Value Data line of a registry value: one read of the value in front of the formatter
// of browser/ValueFormatText.h, with the platform's environment expansion for %e.
#include <string>
#include <string_view>

#include "browser/ValueFormatText.h"
#include "registry/VkRegistry.h"

// The complete expansion of the environment references in text (ExpandEnvironmentStringsA),
// however long it is. A text the platform cannot expand (among them every result of 32,767
// characters or more) is returned as it is.
std::string ExpandEnvironmentText(const std::string& text);

// The Value Data line of data already read (the bytes as the ANSI registry read returns
// them) whose real type is realType, rendered with the pattern of formatType.
std::string ValueDataText(std::string_view data, ValueType realType, ValueType formatType,
                          const TTypeFormats& formats);

// Reads the value name of reg's current key once and renders it with the pattern of
// formatType. A value that cannot be read shows as zero-length data of type 0.
std::string ValueDataText(const TVkReg& reg, const std::string& name, ValueType formatType,
                          const TTypeFormats& formats);

// The same for the value name of the key keyPath under root, through an accessor of its own
// that only reads; a key that does not open shows the value as zero-length data of type 0.
std::string ValueDataText(RootKey root, const std::string& keyPath, const std::string& name, ValueType formatType,
                          const TTypeFormats& formats);
