/* The string ids of the ten policies' names: shared by both programs' resources and by the
   policies' descriptions, which know a policy by this id. */
#ifndef KORVID_POLICYNAMES_H
#define KORVID_POLICYNAMES_H

#define IDS_USERS_ALERTS        200
#define IDS_UNIX_ACCOUNT        230
#define IDS_UPS_SERVICE         260
#define IDS_ALERTER             290
#define IDS_BROWSER             320
#define IDS_NETLOGON            350
#define IDS_CONNECTED_CLIENTS   380
#define IDS_NAME_SPACE          410
#define IDS_UNIX_FS             440
#define IDS_ANNOUNCEMENT        470

#endif
