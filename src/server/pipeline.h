// The pure checks of the request pipeline.
#pragma once

#include <string_view>

namespace ruz {

/// GET, POST and HEAD, letter case significant.
bool IsSupportedMethod(std::string_view method);

/// The path form the pipeline admits: begins with "/", does not end with "."
/// or a space, holds no "../" or "..\\", and no zero or control byte (0x01-0x1F,
/// 0x7F), which would let a path inject header lines into a redirect.
bool HasValidPathForm(std::string_view path);

/// From the last "." of the last path component to the end, dot included;
/// empty when that component has no ".".
std::string_view LastExtension(std::string_view path);

/// An index item that names a file by itself rather than inside the directory.
bool IsAbsoluteIndexItem(std::string_view item);

}  // namespace ruz
