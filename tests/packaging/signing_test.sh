#!/bin/sh
# Signing, in the second build tree of reproducible_test.sh, with a throwaway certificate made
# here: every program and the installer carry a valid SHA-256 signature; removing it gives back
# the unsigned bytes of the first build (for the installer: the unsigned installer around the
# signed programs, made from their signatures); the signatures alone make the signed packages
# again, byte for byte. Half a signing configuration, a relative path, or a signatures folder
# that is not there or lacks a signature fails and says what is wrong; no signing that fails
# leaves its password behind.
# Usage: signing_test.sh TREE FIRST_TREE WORK_DIR VERSION
set -eu
tree=$1 first=$2 work=$3 version=$4
. "${0%/*}/checks.sh"
setup="zel-$version-setup.exe"
package_with() { env "$@" cmake --build "$tree" --target package >"$work/package.log" 2>&1; }
verified() { osslsigncode verify -CAfile "$work/signer.pem" -in "$1" >/dev/null 2>&1; }
# The signature taken off again gives back EXPECTED.
unsigns_to() {
    rm -f "$work/unsigned"
    osslsigncode remove-signature -in "$1" -out "$work/unsigned" >/dev/null 2>&1 && cmp "$work/unsigned" "$2"
}

rm -rf "$work"
mkdir -p "$work/signed" "$work/programs only"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZEL test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" \
    -out "$work/signer.pfx" -passout pass:throwaway

check "a certificate without its password fails" fails package_with ZEL_SIGN_PFX="$work/signer.pfx"
check "a certificate by a relative path fails" \
    fails package_with ZEL_SIGN_PFX=signer.pfx ZEL_SIGN_PASSWORD=throwaway
check "a wrong password fails" fails package_with ZEL_SIGN_PFX="$work/signer.pfx" ZEL_SIGN_PASSWORD=wrong
check "and leaves no password behind" test ! -e "$tree/packaging/staging/signing"
# The last step, renaming the signed installer into place, fails where a folder is in its way.
mkdir -p "$tree/$setup/in the way"
check "signing whose last step fails, fails" \
    fails package_with ZEL_SIGN_PFX="$work/signer.pfx" ZEL_SIGN_PASSWORD=throwaway
check "and leaves no password behind" test ! -e "$tree/packaging/staging/signing"
rm -r "$tree/$setup"
check "signing succeeds" package_with ZEL_SIGN_PFX="$work/signer.pfx" ZEL_SIGN_PASSWORD=throwaway
check "and leaves no password behind" test ! -e "$tree/packaging/staging/signing"
cp "$tree/$setup" "$tree/zel-$version-win64.zip" "$tree/SHA256SUMS" "$tree/signatures/"* "$work/signed/"
unzip -q -o "$tree/zel-$version-win64.zip" zel.exe zelc.exe -d "$work/signed/zip"

check "the zip's zel.exe is signed" verified "$work/signed/zip/zel.exe"
check "the zip's zelc.exe is signed" verified "$work/signed/zip/zelc.exe"
check "the uninstaller is signed" verified "$tree/packaging/staging/uninstall.exe"
check "the installer is signed" verified "$work/signed/$setup"
check "unsigned, zel.exe is the first build's" unsigns_to "$work/signed/zip/zel.exe" "$first/ui/zel.exe"
check "unsigned, zelc.exe is the first build's" unsigns_to "$work/signed/zip/zelc.exe" "$first/cli/zelc.exe"
check "unsigned, the uninstaller is the first build's" \
    unsigns_to "$tree/packaging/staging/uninstall.exe" "$first/packaging/staging/uninstall.exe"

# Attaching only some signatures would leave the rest unsigned in packages that pass for signed.
check "a signatures folder that is not there fails" fails package_with ZEL_SIGNATURES="$work/not there"
check "and says so" says "$work/package.log" "ZEL_SIGNATURES names no folder: $work/not there"
cp "$work/signed/zel.exe.sig" "$work/signed/zelc.exe.sig" "$work/signed/uninstall.exe.sig" "$work/programs only/"
check "a signatures folder without the installer's fails" \
    fails package_with ZEL_SIGNATURES="$work/programs only"
check "and names what it lacks" says "$work/package.log" "lacks $setup.sig"
check "and makes no package" test ! -e "$tree/$setup" -a ! -e "$tree/zel-$version-win64.zip"

check "all signatures attach" package_with ZEL_SIGNATURES="$work/signed"
# The installer holds the signed programs, so unsigned it is the one built around them.
check "unsigned, the installer is the one around the signed programs" \
    unsigns_to "$work/signed/$setup" "$tree/packaging/staging/unsigned/$setup"
for file in "$setup" "zel-$version-win64.zip" SHA256SUMS; do
    check "and make the signed $file again" cmp "$work/signed/$file" "$tree/$file"
done
all_passed
