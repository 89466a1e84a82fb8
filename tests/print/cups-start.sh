#!/usr/bin/env bash
# Starts a private CUPS scheduler for the print tests: its own folders under $1, a local socket
# $1/cups.sock and a raw queue "quorvan-test" whose device puts job N, once complete, into
# $1/out/job-N.prn (its title into $1/out/job-N.title), and a raw queue "quorvan-raw" on the
# same device.
# Prints the socket path on success. Needs root and the Debian packages cups, cups-client.
# Stop it with: kill "$(cat "$1/cupsd.pid")".
set -euo pipefail
dir=$1
command -v cupsd >/dev/null && command -v lpadmin >/dev/null || { echo "cupsd missing" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "needs root" >&2; exit 2; }
mkdir -p "$dir"/{etc/ppd,spool/tmp,cache,state,log,out,bin/backend}
for d in filter daemon cgi-bin monitor notifier; do
  [ -e /usr/lib/cups/$d ] && ln -s /usr/lib/cups/$d "$dir/bin/$d"
done
cat > "$dir/bin/backend/quorvanfile" <<BACKEND
#!/bin/sh
[ \$# -eq 0 ] && { echo 'direct quorvanfile "Unknown" "Quorvan test output"'; exit 0; }
out="$dir/out/job-\$1.prn"
if [ -n "\$6" ]; then cat "\$6" > "\$out.part"; else cat > "\$out.part"; fi
printf '%s' "\$3" > "$dir/out/job-\$1.title"
mv "\$out.part" "\$out"
BACKEND
chmod 0700 "$dir/bin/backend/quorvanfile"
chmod 0755 "$dir" "$dir"/etc "$dir"/spool "$dir"/cache "$dir"/state "$dir"/log
chmod 0777 "$dir"/out
chgrp lp "$dir"/spool "$dir"/spool/tmp "$dir"/cache 2>/dev/null || true
chmod 0710 "$dir"/spool
chmod 01770 "$dir"/spool/tmp
sock=$dir/cups.sock
cat > "$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin $dir/bin
DataDir /usr/share/cups
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
SystemGroup root
CONF
cat > "$dir/etc/cupsd.conf" <<CONF
Listen $sock
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! > "$dir/cupsd.pid"
# The scheduler is up when it answers on its socket; asked again until a deadline of 20 s.
deadline=$((SECONDS + 20))
until CUPS_SERVER=$sock timeout 5 lpstat -r 2>/dev/null | grep -q "is running"; do
  kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || { cat "$dir/log/cupsd.out" >&2; exit 3; }
  [ $SECONDS -lt $deadline ] || { echo "cupsd did not answer" >&2; exit 3; }
done
# A PPD that takes PDF as it is and any page size from 1/2 inch up (a custom size of a slip).
cat > "$dir/quorvan-test.ppd" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QUORVAN.PPD"
*Manufacturer: "Quorvan"
*Product: "(Quorvan test output)"
*ModelName: "Quorvan test output"
*ShortNickName: "Quorvan test output"
*NickName: "Quorvan test output"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter2: "application/pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "0 0 595 842"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*VariablePaperSize: True
*MaxMediaWidth: "2000"
*MaxMediaHeight: "3000"
*HWMargins: 0 0 0 0
*CustomPageSize True: "pop pop pop <</PageSize[5 -2 roll]/ImagingBBox null>>setpagedevice"
*ParamCustomPageSize Width: 1 points 36 2000
*ParamCustomPageSize Height: 2 points 36 3000
*ParamCustomPageSize WidthOffset: 3 points 0 0
*ParamCustomPageSize HeightOffset: 4 points 0 0
*ParamCustomPageSize Orientation: 5 int 0 3
PPD
CUPS_SERVER=$sock lpadmin -p quorvan-test -E -v quorvanfile:/ -P "$dir/quorvan-test.ppd"
# A queue without a driver takes no custom paper sizes.
CUPS_SERVER=$sock lpadmin -p quorvan-raw -E -v quorvanfile:/ -m raw 2>/dev/null
CUPS_SERVER=$sock lpadmin -d quorvan-test
CUPS_SERVER=$sock lpstat -p quorvan-test >/dev/null
echo "$sock"
