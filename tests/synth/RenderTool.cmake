# quilbo-render as a process: the bytes it writes for a request, and its exit codes.
# Run with: cmake -DRENDER=<quilbo-render> -DOUT=<scratch file> -P RenderTool.cmake
function(expect code hex)
  execute_process(COMMAND ${RENDER} ${ARGN} OUTPUT_FILE ${OUT} ERROR_VARIABLE err
                  RESULT_VARIABLE got)
  file(READ ${OUT} bytes HEX)
  string(FIND "${err}" "usage: quilbo-render" usage)
  if(NOT got EQUAL code OR NOT bytes STREQUAL hex OR (code EQUAL 2 AND usage LESS 0)
     OR (NOT code EQUAL 2 AND usage GREATER -1))
    message(SEND_ERROR "quilbo-render ${ARGN}: exit ${got} (not ${code}), wrote '${bytes}'")
  endif()
endfunction()

# 32767, -32767, 32434, -32434: the opposite-phase pair of a full-scale 1000 Hz sine.
expect(0 ff7f0180b27e4e81 tone 8 44100 0 16 0 1000 1)
# White noise from seed 0: -9459 and 3767 on both channels; BITS keeps its low 16 bits.
expect(0 0ddb0ddbb70eb70e --seed 0 noise 8 44100 2 16 3 1)
expect(0 0ddb0ddbb70eb70e --seed 0 noise 8 44100 2 65552 3 1)
expect(0 "" tone 0 44100 2 16 0 1000 1)
# A CEA-2010 burst of 6.5 Hz at 16 Hz: one Hann-windowed second, its peak 8388607 in the middle.
expect(0 0000000000e2b4020086aeee00c6bf2600c4bed2008d4311005ccf2900629f9900ffff7f00629f99005ccf29008d431100c4bed200c6bf260086aeee00e2b402
       burst 6.5 1 16)
# Unsupported depths write nothing and exit 3; malformed command lines exit 2 with the usage.
expect(3 "" tone 16 44100 2 12 0 1000 1)
expect(3 "" sweep 16 44100 2 4294967295 0 20 200 1)
foreach(line "" "beep 16 44100 2 16 0 1000 1" "tone 16 44100 2 16 0 1000"
        "tone -16 44100 2 16 0 1000 1" "tone 16 4294967296 2 16 0 1000 1"
        "tone 16 44100 2 16 0 1k 1" "--seed -1 noise 8 8 2 16 3 1"
        "noise 16 44100 2 16 3 0.5 --seed 1" "sweep 16 44100 2 16 0 20 1"
        "burst 5 1 48000" "burst 20 0 48000" "powernoise 1 48000 500 50"
        "powernoise 1 48000 50 24000" "st2095 1 48000 33" "periodicpink 1 48000 2")
  separate_arguments(arguments UNIX_COMMAND "${line}")
  expect(2 "" ${arguments})
endforeach()
