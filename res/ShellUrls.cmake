# Checks for the build-time web addresses, kept apart from CMakeLists.txt so that a test can run
# them with `cmake -P`.

# Sets <result> to an error text when <url> is not a plain http:// or https:// address that can
# stand unchanged in a C++ string, an HTML attribute and a command line; to "" when it is fine.
function(quilbo_check_url name url result)
  # Host, optional port, then only RFC 3986 unreserved and reserved characters and %-escapes.
  set(allowed "-A-Za-z0-9._~:/?#@!$&'()*+,;=%")
  if(url MATCHES "^https?://[-A-Za-z0-9.]+(:[0-9]+)?(/[${allowed}]*)?$")
    set(${result} "" PARENT_SCOPE)
  else()
    set(${result}
        "${name} is '${url}', which is not an http:// or https:// address made of a host name, an optional port and a path without spaces, quotes or any of < > \\ ^ ` { | }"
        PARENT_SCOPE)
  endif()
endfunction()

# Sets <result> to the web site's name shown on a link button: the host of <url> without "www.".
function(quilbo_site_caption url result)
  string(REGEX REPLACE "^https?://(www\\.)?([^/:?#]+).*$" "\\2" caption "${url}")
  set(${result} "${caption}" PARENT_SCOPE)
endfunction()
