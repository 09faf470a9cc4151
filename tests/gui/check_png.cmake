# cmake -DPNG=FILE -P check_png.cmake: fails unless FILE exists, starts with the PNG signature and holds
# more than its headers.
if(NOT EXISTS "${PNG}")
  message(FATAL_ERROR "no screenshot at ${PNG}")
endif()
file(READ "${PNG}" signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${PNG} is not a PNG file (starts with ${signature})")
endif()
file(SIZE "${PNG}" size)
if(size LESS 1000)
  message(FATAL_ERROR "${PNG} is too small to hold a screenshot (${size} bytes)")
endif()
message(STATUS "${PNG}: ${size} bytes")
