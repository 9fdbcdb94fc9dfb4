# file_checksum FILE: one line of a checksum list, "SHA256  FILE", in the
# format of sha256sum, with whichever of sha256sum and shasum is present.
# Sourced by ../configure and by r/sync-core of the project's checkout.
file_checksum() {
  if command -v sha256sum >/dev/null 2>&1; then
    sha256sum "$1"
  else
    shasum -a 256 "$1"
  fi
}
