# The Windows program directory's content: the packs, the extension file and the wallpaper that a
# Linux build's fishgen made (BRINE_CONTENT_DIR), copied beside brinelight.exe. Target
# fishgen_content, as in the Linux build, so the tests that read the packs wait for it.
set(_content_files object/fish1.pak object/fish2.pak extensions/tancho.exd texture.pak
  initialize.pak bg_sprite1.jpg)
set(_outputs)
set(_commands)
if(BRINE_CONTENT_DIR)
  foreach(f ${_content_files})
    list(APPEND _outputs ${BRINE_PROGRAM_DIR}/${f})
    add_custom_command(OUTPUT ${BRINE_PROGRAM_DIR}/${f}
      COMMAND ${CMAKE_COMMAND} -E copy ${BRINE_CONTENT_DIR}/${f} ${BRINE_PROGRAM_DIR}/${f}
      DEPENDS ${BRINE_CONTENT_DIR}/${f}
      VERBATIM)
  endforeach()
else()
  message(WARNING "BRINE_CONTENT_DIR is not set: the program directory gets no packs, and the tests "
    "that read the generated packs skip")
endif()
add_custom_target(fishgen_content ALL DEPENDS ${_outputs})
