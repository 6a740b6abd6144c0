# Generates the program's word table from voice/words.tsv, the one list of
# words: the name of each wave file and what it says. Run at configure time;
# the configuration is redone whenever the table changes.
function(veloran_generate_vocabulary table output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  file(STRINGS ${table} lines ENCODING UTF-8)
  set(rows "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR NOT line MATCHES "\t")
      continue()
    endif()
    string(FIND "${line}" "\t" tab)
    string(SUBSTRING "${line}" 0 ${tab} name)
    math(EXPR from "${tab} + 1")
    string(SUBSTRING "${line}" ${from} -1 text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(APPEND rows "    {\"${name}\", \"${text}\"},\n")
  endforeach()
  file(CONFIGURE OUTPUT ${output} CONTENT
"// Generated from voice/words.tsv by cmake/vocabulary.cmake: edit the table, not this file.
#include \"speech/vocabulary.hpp\"

namespace vlr {

const std::vector<Word>& vocabulary() {
    static const std::vector<Word> words = {
@rows@    };
    return words;
}

}  // namespace vlr
" @ONLY)
endfunction()
