# Checks which build-time web addresses are accepted and which caption each link button gets.
# Run with: cmake -DQUILBO_SOURCE_DIR=<source> -P UrlSettingsTest.cmake
include(${QUILBO_SOURCE_DIR}/res/ShellUrls.cmake)

# Functions, not macros: a macro would read a backslash in its argument as an escape.
function(expect_accepted url caption)
  quilbo_check_url(SETTING "${url}" problem)
  quilbo_site_caption("${url}" got)
  if(problem OR NOT got STREQUAL "${caption}")
    message(SEND_ERROR "'${url}': problem '${problem}', caption '${got}' (expected '${caption}')")
  endif()
endfunction()
function(expect_rejected url)
  quilbo_check_url(SETTING "${url}" problem)
  if(NOT problem MATCHES "^SETTING is ")
    message(SEND_ERROR "'${url}' was accepted")
  endif()
endfunction()

expect_accepted("http://www.example.org/quilbo.htm" "example.org")
expect_accepted("http://www.example.com/quilbo.htm" "example.com")
expect_accepted("http://www.example.net" "example.net")
expect_accepted("https://help.example.org:8080/a/b.htm?x=1&y=%20#top" "help.example.org")
expect_accepted("http://wwwexample.org/" "wwwexample.org")

expect_rejected("")
expect_rejected("www.example.org/quilbo.htm")
expect_rejected("ftp://www.example.org/quilbo.htm")
expect_rejected("file:///etc/passwd")
expect_rejected("http:///quilbo.htm")
expect_rejected("http://www.example.org/quilbo page.htm")
expect_rejected("http://www.example.org/\"quilbo.htm")
expect_rejected("http://www.example.org/<b>")
expect_rejected("http://www.example.org/a\\b")
expect_rejected("http://www.example.org/a|b")
expect_rejected("http://www.example.org/a{b}")
expect_rejected("http://www.example.org/a`b")
expect_rejected("javascript:alert(1)")
# SEND_ERROR above makes cmake -P exit non-zero once the script has run to its end.
