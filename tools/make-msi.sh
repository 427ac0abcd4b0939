#!/usr/bin/env bash
# Makes the Windows Installer package from the folder the ZIP is packed from,
# so that both always hold the same files. Usage:
#   make-msi.sh STAGED_FOLDER VERSION ICON OUT.msi
# It installs for all users into Program Files\Kestrune, adds the Start menu
# entry "Kestrune" and registers in Apps and Features. The Start menu entry
# runs kestrune-start.exe, which starts the program in the user's own
# %APPDATA%\Kestrune (made when missing): the program keeps its settings in
# the folder current at start, and users cannot write Program Files.
# Uninstalling removes what was installed and nothing in the users' folders.
set -euo pipefail
stage=$(cd "$1" && pwd)
version=$2
icon=$3
out=$4

# Every version keeps this code: it tells Windows that a newer package
# replaces the installed one.
upgrade_code=8E1B3C52-7A4F-4D19-B6E0-5C2A9F13D7E4
# Windows Installer compares three fields: 1.0 is 1.0.0.
msi_version=$version
while [ "$(tr -cd . <<<"$msi_version" | wc -c)" -lt 2 ]; do msi_version+=.0; done

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g' <<<"$1"; }
# An identifier from a relative path: letters, digits, underscores and dots.
ident() { echo "$1_$(tr -c 'A-Za-z0-9_.\n' _ <<<"$2")"; }

components=()
# Writes the Directory contents for folder $1 (relative to the staged folder,
# "." for the top), one component per file.
directory_body() {
  local rel=$1 indent=$2 path name id
  for path in "$stage/$rel"/*; do
    name=${path##*/}
    [ "$rel" = . ] && id=$name || id=$rel/$name
    if [ -d "$path" ]; then
      echo "$indent<Directory Id=\"$(ident d "$id")\" Name=\"$(xml_escape "$name")\">"
      directory_body "$id" "$indent  "
      echo "$indent</Directory>"
    else
      components+=("$(ident c "$id")")
      echo "$indent<Component Id=\"$(ident c "$id")\" Guid=\"*\" Win64=\"yes\">"
      echo "$indent  <File Id=\"$(ident f "$id")\" Source=\"stage/$(xml_escape "$id")\" KeyPath=\"yes\"/>"
      echo "$indent</Component>"
    fi
  done
}

[ -f "$stage/kestrune.exe" ] && [ -f "$stage/kestrune-start.exe" ] && [ -f "$stage/kestrune-verify.exe" ] ||
  { echo "make-msi: $stage lacks kestrune.exe, kestrune-start.exe or kestrune-verify.exe" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# wixl takes the files from paths relative to the folder it runs in.
ln -s "$stage" "$work/stage"
cp "$icon" "$work/kestrune.ico"
directory_body . "          " >"$work/files.xml" # not in a subshell: it fills components
files=$(cat "$work/files.xml")
feature_refs=$(printf '      <ComponentRef Id="%s"/>\n' "${components[@]}")

cat >"$work/kestrune.wxs" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Kestrune" Version="$msi_version" Manufacturer="Kestrune"
           Language="1033" UpgradeCode="$upgrade_code">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perMachine"
             Description="Kestrune $version" Comments="Companion program for hand-held breath-alcohol testers"/>
    <Media Id="1" Cabinet="kestrune.cab" EmbedCab="yes"/>
    <!-- Older versions and this one are replaced; a newer one stops the installation. -->
    <Upgrade Id="$upgrade_code">
      <UpgradeVersion Minimum="0.0.0" Maximum="$msi_version" IncludeMinimum="yes"
                      IncludeMaximum="yes" Property="OLDERFOUND"/>
      <UpgradeVersion Minimum="$msi_version" IncludeMinimum="no" OnlyDetect="yes"
                      Property="NEWERFOUND"/>
    </Upgrade>
    <Condition Message="A newer version of Kestrune is already installed.">NOT NEWERFOUND</Condition>
    <!-- Apps and Features shows where the program is. -->
    <CustomAction Id="ShowInstallFolder" Property="ARPINSTALLLOCATION" Value="[INSTALLDIR]"
                  Execute="immediate"/>
    <InstallExecuteSequence>
      <RemoveExistingProducts After="InstallValidate"/>
      <Custom Action="ShowInstallFolder" Sequence="1001"/>
    </InstallExecuteSequence>

    <Icon Id="kestrune.ico" SourceFile="kestrune.ico"/>
    <Property Id="ARPPRODUCTICON" Value="kestrune.ico"/>
    <Property Id="ARPNOMODIFY" Value="1"/>
    <Property Id="ARPNOREPAIR" Value="1"/>
    <Property Id="ARPCOMMENTS" Value="Companion program for hand-held breath-alcohol testers"/>

    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="Kestrune">
$files
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="StartMenuEntry" Guid="*" Win64="yes">
          <Shortcut Id="KestruneShortcut" Name="Kestrune" Description="Kestrune"
                    Target="[INSTALLDIR]kestrune-start.exe" Icon="kestrune.ico"/>
          <RegistryValue Root="HKLM" Key="Software\\Kestrune" Name="StartMenuEntry"
                         Type="integer" Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>

    <Feature Id="Kestrune" Title="Kestrune" Level="1">
$feature_refs
      <ComponentRef Id="StartMenuEntry"/>
    </Feature>
  </Product>
</Wix>
EOF
rm -f "$out"
# wixl warns about attributes it does not know; the ones it ignores are
# mended below.
(cd "$work" && wixl -a x64 -o kestrune.msi kestrune.wxs) 2> >(grep -v 'GLib-GObject-WARNING' >&2)
mv "$work/kestrune.msi" "$out"
# wixl leaves out IncludeMaximum: without it the same version built again
# would install beside the one installed instead of replacing it.
msibuild "$out" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'OLDERFOUND'" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`VersionMax\`, \`Attributes\`,
      \`ActionProperty\`) VALUES ('{$upgrade_code}', '0.0.0', '$msi_version', 768, 'OLDERFOUND')"
