/* Resource ids of Korvid Administrator. Dialog and control ids are grouped by dialog:
   a template id is followed by the ids of its controls. */
#ifndef KORVID_RESOURCE_H
#define KORVID_RESOURCE_H

#include "policynames.h"

/* Main window "korvidadm" (template, menu, icon and class share the name) */
#define IDC_MAIN_TAB            11
#define IDC_MAIN_SELECT         1010
#define IDC_MAIN_OK             1011
#define IDC_DEFAULT             1012   /* the Default button of every policy dialog */

/* Menu "korvidadm" */
#define IDM_SELECT_COMPUTER     20
#define IDM_EXIT                21
#define IDM_EVENT_VIEWER        23
#define IDM_SERVER_MANAGER      24
#define IDM_USER_MANAGER        25
#define IDM_PERFORMANCE_MONITOR 26
#define IDM_ABOUT               29

/* Bitmaps */
#define IDB_VELMOR_LOGO         8      /* 147 x 120, magenta transparent */
#define IDB_ABOUT_ICON          9      /* 74 x 60, magenta transparent */

/* About box */
#define IDD_ABOUT               1000
#define IDC_ABOUT_ICON          10
#define IDC_ABOUT_VERSION       1002
#define IDC_ABOUT_COPYRIGHT     1003
#define IDC_ABOUT_OWNER         1004
#define IDC_ABOUT_ORGANIZATION  1005

/* Version page */
#define IDD_VERSION_PAGE        1020
#define IDC_VER_LOGO            1021
#define IDC_VER_PRODUCT         1022
#define IDC_VER_VERSION_LABEL   1023
#define IDC_VER_VERSION         1024
#define IDC_VER_VENDOR_LABEL    1025
#define IDC_VER_VENDOR          1026
#define IDC_VER_ROLE_LABEL      1027
#define IDC_VER_ROLE            1028
#define IDC_VER_DESCR_LABEL     1029
#define IDC_VER_DESCR           1030
#define IDC_VER_PRODUCTID_LABEL 1031
#define IDC_VER_PRODUCTID       1032
#define IDC_VER_INSTALL_LABEL   1033
#define IDC_VER_INSTALL         1034
#define IDC_VER_UNIX_LABEL      1035
#define IDC_VER_UNIX            1036
#define IDC_VER_OS_LABEL        1037
#define IDC_VER_OS              1038
#define IDC_VER_PLATFORM_LABEL  1039
#define IDC_VER_PLATFORM        1040
#define IDC_VER_SYSTEM          1041
#define IDC_VER_ROW1            1042
#define IDC_VER_ROW3            1043
#define IDC_VER_ROW2            1044
#define IDC_VER_ROW1_LABEL      1045
#define IDC_VER_ROW3_LABEL      1046
#define IDC_VER_ROW2_LABEL      1047

/* Policy page */
#define IDD_POLICY_PAGE         1100
#define IDC_POL_FOR             1101
#define IDC_POL_LIST            1102
#define IDC_POL_PROPERTIES      1103
#define IDC_POL_DESCR_GROUP     1104   /* also the command "show the description" */
#define IDC_POL_DESCR           1105

/* Users Alerts */
#define IDD_USERS_ALERTS        1130
#define IDC_UA_GROUP            1134
#define IDC_UA_SENTENCE         1135
#define IDC_UA_ACCESS_PREFIX    1136
#define IDC_UA_ACCESS           1137
#define IDC_UA_ACCESS_SUFFIX    1138
#define IDC_UA_ERROR_PREFIX     1139
#define IDC_UA_ERROR            1140
#define IDC_UA_ERROR_SUFFIX     1141
#define IDC_UA_LOGON_PREFIX     1142
#define IDC_UA_LOGON            1143
#define IDC_UA_LOGON_SUFFIX     1144

/* UNIX Account Mapping */
#define IDD_UNIX_ACCOUNT        1160
#define IDC_UAM_TEXT            1161
#define IDC_UAM_CREATE          1163

/* UPS Service */
#define IDD_UPS_SERVICE         1190
#define IDC_UPS_GROUP           1191
#define IDC_UPS_SEND            1192
#define IDC_UPS_TEXT            1193
#define IDC_UPS_RECIPIENT_GROUP 1194
#define IDC_UPS_RECIPIENT_LABEL 1195
#define IDC_UPS_RECIPIENT       1196
#define IDC_UPS_MESSAGE_GROUP   1197
#define IDC_UPS_MESSAGE_LABEL   1198
#define IDC_UPS_MESSAGE         1199
#define IDC_UPS_INTERVAL_LABEL  1200
#define IDC_UPS_INTERVAL        1201

/* Alerter Service */
#define IDD_ALERTER             1220
#define IDC_ALR_HEADER_GROUP    1221
#define IDC_ALR_HEADER_TEXT     1222
#define IDC_ALR_HEADER          1223
#define IDC_ALR_CACHE_GROUP     1224
#define IDC_ALR_CACHE_TEXT      1225
#define IDC_ALR_CLIENTS_GROUP   1226
#define IDC_ALR_COUNT_LABEL     1227
#define IDC_ALR_COUNT           1228
#define IDC_ALR_TIMEOUT_LABEL   1229
#define IDC_ALR_TIMEOUT         1230

/* Computer Browser Service */
#define IDD_BROWSER             1250
#define IDC_BRW_LOG_GROUP       1251
#define IDC_BRW_MORE_LOG        1252
#define IDC_BRW_LOG_TEXT        1253
#define IDC_BRW_MASTER_GROUP    1254
#define IDC_BRW_MASTER_TEXT     1255
#define IDC_BRW_MASTER_LABEL    1256
#define IDC_BRW_MASTER_UPDATE   1257
#define IDC_BRW_BACKUP_GROUP    1258
#define IDC_BRW_BACKUP_TEXT     1259
#define IDC_BRW_BACKUP_LABEL    1260
#define IDC_BRW_BACKUP_UPDATE   1261
#define IDC_BRW_RECOVERY_TEXT   1262
#define IDC_BRW_RECOVERY_LABEL  1263
#define IDC_BRW_RECOVERY        1264

/* Netlogon Service: one layout per server role; 1283 stands in the policy table */
#define IDD_NETLOGON_PDC        1280
#define IDD_NETLOGON_BDC        1281
#define IDD_NETLOGON_SERVER     1282
#define IDD_NETLOGON            1283
#define IDC_NL_PDC_GROUP        1284
#define IDC_NL_BDC_GROUP        1285
#define IDC_NL_SCRIPTS_LABEL    1286
#define IDC_NL_SCRIPTS          1287
#define IDC_NL_PULSE_TEXT       1288
#define IDC_NL_PULSE_LABEL      1289
#define IDC_NL_PULSE            1290
#define IDC_NL_UPDATE           1291
#define IDC_NL_RANDOMIZE_TEXT   1292
#define IDC_NL_RANDOMIZE        1293
#define IDC_NL_RANDOMIZE_LABEL  1294
#define IDC_NL_PDC_AGE_TEXT     1295
#define IDC_NL_BDC_AGE_TEXT     1296
#define IDC_NL_DAYS             1297
#define IDC_NL_DAYS_LABEL       1298
#define IDC_NL_SERVER_AGE_TEXT  1299
#define IDC_NL_SERVER_GROUP     1300
#define IDC_NL_DISABLE          1301
#define IDC_NL_REFUSE           1302
#define IDS_NL_PDC_GROUP        352
#define IDS_NL_BDC_GROUP        353
#define IDS_NL_DAYS_LABEL       354
#define IDS_NL_EXPORT_LABEL     355
#define IDS_NL_PULSE_TEXT       356
#define IDS_NL_PULSE_LABEL      357
#define IDS_NL_PDC_AGE_TEXT     358
#define IDS_NL_IMPORT_LABEL     359
#define IDS_NL_UPDATE           360
#define IDS_NL_RANDOMIZE_TEXT   361
#define IDS_NL_RANDOMIZE_LABEL  362
#define IDS_NL_BDC_AGE_TEXT     363
#define IDS_NL_SERVER_AGE_TEXT  364
#define IDS_NL_SERVER_GROUP     365
#define IDS_NL_DISABLE          366
#define IDS_NL_REFUSE           367

/* Connected Clients */
#define IDD_CONNECTED_CLIENTS   1310
#define IDC_CC_ACTIVE_GROUP     1311
#define IDC_CC_QUERY_TEXT       1312
#define IDC_CC_QUERY_LABEL      1313
#define IDC_CC_QUERY            1314
#define IDC_CC_DELAY_TEXT       1315
#define IDC_CC_DELAY_LABEL      1316
#define IDC_CC_DELAY            1317
#define IDC_CC_WAIT_TEXT        1318
#define IDC_CC_WAIT_LABEL       1319
#define IDC_CC_WAIT             1320
#define IDC_CC_DISCONNECT_GROUP 1321
#define IDC_CC_AFTER            1322
#define IDC_CC_HOURS            1323
#define IDC_CC_INACTIVITY       1324
#define IDC_CC_DISCONNECT       1325
#define IDS_CC_ACTIVE_GROUP     382
#define IDS_CC_QUERY_TEXT       383
#define IDS_CC_QUERY_LABEL      384
#define IDS_CC_DELAY_TEXT       385
#define IDS_CC_DELAY_LABEL      386
#define IDS_CC_WAIT_TEXT        387
#define IDS_CC_WAIT_LABEL       388
#define IDS_CC_DISCONNECT_GROUP 389
#define IDS_CC_AFTER            390
#define IDS_CC_INACTIVITY       391
#define IDS_CC_DISCONNECT       392

/* UNIX File System Integration */
#define IDD_UNIX_FS             1340
#define IDC_UFS_LOCK_GROUP      1341
#define IDC_UFS_UNIX_LOCKS      1342
#define IDC_UFS_LOCK_TEXT       1343
#define IDC_UFS_NFS_GROUP       1344
#define IDC_UFS_ROOT_OWNS       1345
#define IDC_UFS_CREATE_GROUP    1346
#define IDC_UFS_CREATE_TEXT     1347
#define IDC_UFS_SERVER_DIRS     1348   /* radio: UnixDirectoryCheck 1 */
#define IDC_UFS_WRITE_PERM      1349   /* radio: UnixDirectoryCheck 0 */
#define IDC_UFS_READ_PERM       1350   /* radio: UnixDirectoryCheck 2 */
#define IDC_UFS_PERMS_GROUP     1351
#define IDC_UFS_FILE_LABEL      1352
#define IDC_UFS_FILE_PERMS      1353
#define IDC_UFS_FILE_RANGE      1354
#define IDC_UFS_DIR_LABEL       1355
#define IDC_UFS_DIR_PERMS       1356
#define IDC_UFS_DIR_RANGE       1357
#define IDC_UFS_BYPASS          1358

/* Server Announcement */
#define IDD_ANNOUNCEMENT        1370
#define IDC_ANN_GROUP           1371
#define IDC_ANN_ANNOUNCE        1373
#define IDC_ANN_SERVER_GROUP    1374
#define IDC_ANN_TEXT            1375
#define IDC_ANN_FREQUENCY_LABEL 1376
#define IDC_ANN_FREQUENCY       1377
#define IDC_ANN_LM              1379

/* File Name Space Mapping */
#define IDD_NAME_SPACE          1400
#define IDC_NS_MAPPING_GROUP    1401
#define IDC_NS_MAPPING_TEXT     1402
#define IDC_NS_SHORT_NAMES      1403   /* 8.3-style mapping, bit 0 of NameSpaceMapping */
#define IDC_NS_LONG_NAMES       1404   /* Windows NT-style mapping, bit 1 */
#define IDC_NS_SUFFIX_GROUP     1407
#define IDC_NS_SUFFIX_TEXT      1408
#define IDC_NS_SUFFIX_LABEL     1409
#define IDC_NS_SUFFIX           1410
#define IDC_NS_SUFFIX_UNIT      1411
#define IDC_NS_CASE_GROUP       1412
#define IDC_NS_MIXED_CASE       1413
#define IDC_NS_CASE_TEXT        1414
#define IDC_NS_EXT_GROUP        1415
#define IDC_NS_EXT_TEXT         1416
#define IDC_NS_TRUNCATE         1417
#define IDC_NS_SEP_GROUP        1418
#define IDC_NS_SEP_TEXT         1419
#define IDC_NS_SEP_LABEL        1420
#define IDC_NS_SEPARATOR        1421

/* String table */
#define IDS_ABOUT_VERSION       91
#define IDS_ABOUT_COPYRIGHT     92
#define IDS_APP_TITLE           93
#define IDS_SELECT              94
#define IDS_TAB_VERSION         100
#define IDS_PRODUCT_NAME        101
#define IDS_LABEL_VERSION       102
#define IDS_LABEL_VENDOR        103
#define IDS_LABEL_ROLE          104
#define IDS_LABEL_DESCRIPTION   105
#define IDS_LABEL_PRODUCT_ID    106
#define IDS_LABEL_INSTALL_DATE  107
#define IDS_LABEL_UNIX_NAME     108
#define IDS_LABEL_OS            109
#define IDS_LABEL_PLATFORM      110
#define IDS_TAB_POLICY          150
#define IDS_POLICY_FOR          151
#define IDS_PROPERTIES_BUTTON   152
#define IDS_PROPERTIES_OF       153
#define IDS_DESCRIPTION_GROUP   154

#define IDS_USERS_ALERTS_DESCR  201
#define IDS_UA_GROUP            205
#define IDS_UA_SENTENCE         206
#define IDS_UA_MORE_THAN        207
#define IDS_UA_ACCESS           208
#define IDS_UA_ERROR            209
#define IDS_UA_LOGON            210
#define IDS_UNIX_ACCOUNT_DESCR  231
#define IDS_UAM_TEXT            232
#define IDS_UAM_CREATE          233
#define IDS_UPS_SERVICE_DESCR   261
#define IDS_UPS_SEND            262
#define IDS_UPS_TEXT            263
#define IDS_UPS_RECIPIENT_GROUP 264
#define IDS_UPS_RECIPIENT_LABEL 265
#define IDS_UPS_MESSAGE_GROUP   266
#define IDS_UPS_MESSAGE_LABEL   267
#define IDS_UPS_INTERVAL_LABEL  268
#define IDS_ALERTER_DESCR       291
#define IDS_ALR_HEADER_TEXT     292
#define IDS_ALR_HEADER          293
#define IDS_ALR_CACHE_TEXT      294
#define IDS_ALR_CLIENTS_GROUP   295
#define IDS_ALR_COUNT_LABEL     296
#define IDS_ALR_TIMEOUT_LABEL   297
#define IDS_BROWSER_DESCR       321
#define IDS_BRW_LOG_GROUP       322
#define IDS_BRW_LOG_TEXT        323
#define IDS_BRW_MORE_LOG        324
#define IDS_BRW_MASTER_GROUP    325
#define IDS_BRW_MASTER_TEXT     326
#define IDS_BRW_MASTER_LABEL    327
#define IDS_BRW_BACKUP_GROUP    328
#define IDS_BRW_BACKUP_TEXT     329
#define IDS_BRW_BACKUP_LABEL    330
#define IDS_BRW_RECOVERY_TEXT   331
#define IDS_BRW_RECOVERY_LABEL  332
#define IDS_NETLOGON_DESCR      351
#define IDS_CONNECTED_CLIENTS_DESCR 381
#define IDS_NAME_SPACE_DESCR    411
#define IDS_NS_MAPPING_GROUP    412
#define IDS_NS_MAPPING_TEXT     413
#define IDS_NS_SHORT_NAMES      414
#define IDS_NS_LONG_NAMES       415
#define IDS_NS_SUFFIX_GROUP     418
#define IDS_NS_SUFFIX_TEXT      419
#define IDS_NS_SUFFIX_LABEL     420
#define IDS_NS_SUFFIX_UNIT      421
#define IDS_NS_CASE_GROUP       422
#define IDS_NS_MIXED_CASE       423
#define IDS_NS_CASE_TEXT        424
#define IDS_NS_EXT_GROUP        425
#define IDS_NS_EXT_TEXT         426
#define IDS_NS_TRUNCATE         427
#define IDS_NS_SEP_GROUP        428
#define IDS_NS_SEP_TEXT         429
#define IDS_NS_SEP_LABEL        430
#define IDS_UNIX_FS_DESCR       441
#define IDS_UFS_LOCK_GROUP      442
#define IDS_UFS_UNIX_LOCKS      443
#define IDS_UFS_LOCK_TEXT       444
#define IDS_UFS_NFS_GROUP       445
#define IDS_UFS_ROOT_OWNS       446
#define IDS_UFS_CREATE_GROUP    447
#define IDS_UFS_CREATE_TEXT     448
#define IDS_UFS_SERVER_DIRS     449
#define IDS_UFS_WRITE_PERM      450
#define IDS_UFS_READ_PERM       451
#define IDS_UFS_PERMS_GROUP     452
#define IDS_UFS_FILE_LABEL      453
#define IDS_UFS_FILE_RANGE      454
#define IDS_UFS_DIR_LABEL       455
#define IDS_UFS_DIR_RANGE       456
#define IDS_UFS_BYPASS          457
#define IDS_ANNOUNCEMENT_DESCR  471
#define IDS_ANN_ANNOUNCE        473
#define IDS_ANN_SERVER_GROUP    474
#define IDS_ANN_TEXT            475
#define IDS_ANN_FREQUENCY_LABEL 476
#define IDS_ANN_LM              478

#endif
