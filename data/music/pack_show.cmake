# Packs the rendered default-show tracks with `tavrin pack`, one track per line of the
# generator's manifest (file, bpm, mood_x, mood_y, loop beats, title, tab-separated).
#
#   cmake -DTOOL=<tavrin> -DTRACKS=<folder with tracks.tsv> -DOUTPUT=<file> [-DAPPEND_TO=<player>]
#         -P pack_show.cmake
#
# Every track is packed at the tempo it was composed at, beat 0 at the file's first sample, its
# loop played three times, with its composed mood point, as 48 kbit/s mono MP3 at 22050 Hz
# (the pack default; 24 kbit/s was audibly dull and smeared the hi-hats).
# With APPEND_TO the output is a copy of that player executable carrying the show.
foreach(var TOOL TRACKS OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "pack_show.cmake: ${var} is not set")
  endif()
endforeach()

file(STRINGS "${TRACKS}/tracks.tsv" lines)
list(LENGTH lines count)
if(count EQUAL 0)
  message(FATAL_ERROR "pack_show.cmake: no tracks in ${TRACKS}/tracks.tsv")
endif()

set(args pack --rate 22050 --kbps 48 --quiet)
foreach(line IN LISTS lines)
  string(REPLACE "\t" ";" fields "${line}")
  list(LENGTH fields n)
  if(NOT n EQUAL 6)
    message(FATAL_ERROR "pack_show.cmake: bad manifest line: ${line}")
  endif()
  list(GET fields 0 file)
  list(GET fields 1 bpm)
  list(GET fields 2 mood_x)
  list(GET fields 3 mood_y)
  list(GET fields 4 beats)
  list(GET fields 5 title)
  list(APPEND args --title "${title}" --bpm ${bpm} --beat-origin 0 --loop 0:${beats} --repeats 3
       --mood ${mood_x},${mood_y} "${TRACKS}/${file}")
endforeach()
if(APPEND_TO)
  list(APPEND args --append-to "${APPEND_TO}")
endif()
list(APPEND args -o "${OUTPUT}")

execute_process(COMMAND "${TOOL}" ${args} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pack_show.cmake: tavrin pack failed (${status})")
endif()
