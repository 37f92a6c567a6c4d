# shellcheck shell=bash
# The resources of the two deliverables, read back from the built files
# (tests/wine/resources): setup.exe's manifest, icon group and four payloads
# and no version block; the launcher's manifest, icon group and version block.
# Needs the Windows build only, not Wine.
#
# Sourced by ./vexo; prints "PASS name" or "FAIL name: why" per check and
# sets E2E_PASSED and E2E_FAILED. VEXO_E2E_BUILD names another Windows build
# folder.

e2e_resources_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_resources_out=$(python3 tests/wine/resources/check_resources.py \
    "$e2e_resources_build/setup/setup.exe" "$e2e_resources_build/app/VexoSolvane.exe" \
    "$e2e_resources_build/resources/VexoSolvane.ico" installer/Install.ps1 installer/Uninstall.ps1 2>&1)
printf '%s\n' "$e2e_resources_out"
E2E_PASSED=$(grep -c '^PASS ' <<<"$e2e_resources_out")
E2E_FAILED=$(grep -c '^FAIL ' <<<"$e2e_resources_out")
# A reader that broke off (a missing file, an image it cannot read) counts too.
if [ "$E2E_FAILED" -eq 0 ] && ! grep -q '^PASS VexoSolvane.exe: version block' <<<"$e2e_resources_out"; then
    E2E_FAILED=1
fi
