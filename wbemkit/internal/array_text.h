// The element grammar of array texts: every element is followed by a comma;
// inside an element a backslash is written "\\" and a comma "\,". Every other
// byte (NUL aside) stands as it is. See cim.h for the element forms.
#ifndef WBEMKIT_INTERNAL_ARRAY_TEXT_H
#define WBEMKIT_INTERNAL_ARRAY_TEXT_H

#include <cstddef>
#include <string>

namespace wbemkit {

// Appends `element` (escaped) and its comma to `out`. May throw
// std::bad_alloc.
void appendArrayElement(std::string &out, const char *element, std::size_t length);

// Reads the elements of an array text one by one. The final comma may be
// missing, so "1,2" reads as two elements; "" has none and "," one empty one.
class ArrayTextReader {
  public:
    // `text` must stay alive and unchanged while the reader is used.
    explicit ArrayTextReader(const char *text) : cursor(text) {}

    // Puts the next element, unescaped, in `element` and returns true; false
    // at the end of the text or on a bad escape (then bad() is true). May
    // throw std::bad_alloc.
    bool next(std::string &element);

    bool bad() const { return malformed; }

  private:
    const char *cursor;
    bool malformed = false;
};

}  // namespace wbemkit

#endif
