#!/bin/sh
# Writes the module definition of the cfgmgr32 substitute:  make-cfgmgr32-def.sh OBJDUMP WINE_CFGMGR32_DLL OUT
# The substitute's own functions are exported as they are; every other export of Wine's cfgmgr32 is forwarded to
# winecfgmgr32.dll, the copy of Wine's DLL that the substitute prefix holds.
set -eu
objdump=$1
dll=$2
out=$3
own="CM_Get_First_Log_Conf CM_Get_Next_Res_Des CM_Get_Res_Des_Data_Size CM_Get_Res_Des_Data CM_Free_Res_Des_Handle
CM_Free_Log_Conf_Handle LumoConfigurationManagerCounts"
{
  echo "LIBRARY cfgmgr32.dll"
  echo "EXPORTS"
  for name in $own; do echo "  $name"; done
  "$objdump" -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] \([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' |
    while read -r name; do
      case " $(echo $own) " in
        *" $name "*) ;;
        *) echo "  $name = winecfgmgr32.$name" ;;
      esac
    done
} >"$out.tmp"
# Wine's DLL always exports more than the substitute's own functions; a short list means the table was not read.
[ "$(wc -l <"$out.tmp")" -gt 100 ] || { echo "no export table read from $dll" >&2; exit 1; }
mv "$out.tmp" "$out"
