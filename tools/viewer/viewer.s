; The sample cartridge's viewer: shows one frame of one stage, drawn from the stage's
; own data as the editor reads it, so that any NES emulator shows what the editor shows.
;
;   Right / Left     next / previous frame of the stage (stopping at the ends)
;   Select / Start   next / previous stage (wrapping), at its frame 0
;
; It starts on the first stage, frame 0. The picture: the stage's 256 tiles in the
; background pattern table, its 16 palette bytes in the background palette, each metatile
; of the frame as its four tiles in the name table and its sub-palette in the attribute
; table. It keeps reading what it shows, a part every frame (eight tiles, a row of
; metatiles, a row of the attribute table and the whole palette), so a byte changed under
; it shows within about half a second without a button pressed.
;
; It lives in the last 8 KiB of the fixed bank ($E000-$FFFF) and reads the stages' data
; through the switchable bank at $8000 (mapper 2).

.include "stages.inc"

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSTATUS = $2002
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007
DMCFREQ   = $4010
APUSTATUS = $4015
JOYPAD1   = $4016
APUFRAME  = $4017

CTRL_SHOW = %10000000   ; NMI at every vertical blank; name table $2000, background tiles $0000
MASK_SHOW = %00001010   ; the background, also in the leftmost 8 pixels; no sprites

NAME_TABLE      = $2000
ATTRIBUTE_TABLE = $23C0
PALETTE         = $3F00

BUTTON_A      = %10000000
BUTTON_B      = %01000000
BUTTON_SELECT = %00100000
BUTTON_START  = %00010000
BUTTON_UP     = %00001000
BUTTON_DOWN   = %00000100
BUTTON_LEFT   = %00000010
BUTTON_RIGHT  = %00000001

FRAME_ROWS   = 15       ; metatile rows of a frame
TILES_BYTES  = 16 * 256
CHUNK_BYTES  = 128      ; tile bytes refreshed each frame: 8 tiles
CHUNK_COUNT  = TILES_BYTES / CHUNK_BYTES
ATTRIBUTE_ROWS = 8

.segment "ZEROPAGE"
stage:       .res 1     ; the stage shown, 0..STAGE_COUNT-1
frame:       .res 1     ; its frame shown
buttons:     .res 1     ; held now
held:        .res 1     ; held at the previous reading
vblanks:     .res 1     ; counts vertical blanks
upload:      .res 1     ; nonzero: the buffer below waits for the next vertical blank
level:       .res 2     ; the frame's first level-map byte
metatiles:   .res 2     ; the stage's first metatile record
subpalettes: .res 2     ; the stage's first sub-palette byte
palette:     .res 2     ; the stage's palette bytes
tiles:       .res 2     ; the stage's first tile byte
record:      .res 2     ; one metatile record (read with Y)
source:      .res 2
cells:       .res 2     ; the first cell of a row of the frame
row:         .res 1
column:      .res 1
cell:        .res 1
attribute:   .res 1
next_chunk:  .res 1     ; what the next refresh reads
next_row:    .res 1
next_attribute_row: .res 1

.segment "BSS"
; What the next vertical blank writes to the picture.
buffer_palette:    .res 16
buffer_tiles:      .res CHUNK_BYTES
buffer_names:      .res 64        ; a metatile row: its upper tile row, then its lower one
buffer_attributes: .res 8
buffer_tiles_at:   .res 2         ; picture addresses, high byte first
buffer_names_at:   .res 2
buffer_attributes_at: .res 2

.segment "CODE"

reset:
    sei
    cld
    ldx #$40
    stx APUFRAME            ; no frame interrupts
    ldx #$FF
    txs
    inx
    stx PPUCTRL             ; no NMI
    stx PPUMASK             ; no picture
    stx DMCFREQ             ; no sample interrupts
    stx APUSTATUS           ; silence
    bit PPUSTATUS
@warm1:
    bit PPUSTATUS           ; the picture unit needs two vertical blanks to wake up
    bpl @warm1
    lda #0
    tax
@clear:
    sta $0000, x
    sta $0100, x
    sta $0200, x
    sta $0300, x
    sta $0400, x
    sta $0500, x
    sta $0600, x
    sta $0700, x
    inx
    bne @clear
@warm2:
    bit PPUSTATUS
    bpl @warm2
    jsr draw_all
main_loop:
    lda vblanks
@wait:
    cmp vblanks
    beq @wait
    jsr read_buttons
    jsr follow_buttons
    bcc @refresh
    jsr draw_all
    jmp main_loop
@refresh:
    jsr prepare_refresh
    jmp main_loop

; ---- the buttons -----------------------------------------------------------------------------

read_buttons:
    lda buttons
    sta held
    lda #1
    sta JOYPAD1
    lda #0
    sta JOYPAD1
    ldx #8
@bit:
    lda JOYPAD1
    and #%00000011          ; the standard pad, or one on the expansion port
    cmp #1
    rol buttons
    dex
    bne @bit
    rts

; Turns a newly pressed button into another stage or frame. Carry set when the view changed.
follow_buttons:
    lda held
    eor #$FF
    and buttons
    tay                     ; Y: the buttons pressed since the last reading
    and #BUTTON_SELECT
    beq @no_select
    ldx stage
    inx
    cpx #STAGE_COUNT
    bcc @to_stage
    ldx #0
    beq @to_stage
@no_select:
    tya
    and #BUTTON_START
    beq @no_start
    ldx stage
    bne @previous_stage
    ldx #STAGE_COUNT
@previous_stage:
    dex
@to_stage:
    stx stage
    lda #0
    sta frame
    sec
    rts
@no_start:
    tya
    and #BUTTON_RIGHT
    beq @no_right
    ldx stage
    lda frame
    clc
    adc #1
    cmp stage_frames, x
    bcs @unchanged          ; already the last frame
    sta frame
    sec
    rts
@no_right:
    tya
    and #BUTTON_LEFT
    beq @unchanged
    lda frame
    beq @unchanged          ; already frame 0
    dec frame
    sec
    rts
@unchanged:
    clc
    rts

; ---- where the stage's data lies ---------------------------------------------------------

; Switches the bank in A into $8000-$BFFF. The value written must match the byte at the
; address written to, or the cartridge's bus may fight it: the table holds each bank's
; own number.
select_bank:
    tax
    sta bank_numbers, x
    rts

; Points the pointers at the shown stage's data and at the shown frame's first cell.
find_stage:
    ldx stage
    lda stage_metatiles_lo, x
    sta metatiles
    lda stage_metatiles_hi, x
    sta metatiles + 1
    lda stage_subpalettes_lo, x
    sta subpalettes
    lda stage_subpalettes_hi, x
    sta subpalettes + 1
    lda stage_palette_lo, x
    sta palette
    lda stage_palette_hi, x
    sta palette + 1
    lda stage_tiles_lo, x
    sta tiles
    lda stage_tiles_hi, x
    sta tiles + 1
    lda stage_level_lo, x
    sta level
    lda stage_level_hi, x
    sta level + 1
    ldy frame               ; a frame is 240 bytes
    beq @done
@next_frame:
    clc
    lda level
    adc #240
    sta level
    bcc @same_page
    inc level + 1
@same_page:
    dey
    bne @next_frame
@done:
    rts

; ---- building the picture from the data ---------------------------------------------------

; Points record, with Y, at the record of the metatile in A: metatiles + 4 * A.
find_record:
    pha
    lsr a
    lsr a
    lsr a
    lsr a
    lsr a
    lsr a
    clc
    adc metatiles + 1
    sta record + 1
    lda metatiles
    sta record
    pla
    asl a
    asl a
    tay
    rts

; Fills buffer_names with metatile row A of the frame: its tiles as two rows of 32 names.
; The data bank must be selected.
build_names:
    sta row
    asl a
    asl a
    asl a
    asl a                   ; 16 cells a row
    clc
    adc level
    sta cells
    lda level + 1
    adc #0
    sta cells + 1
    lda row                 ; the name table address: 64 names a metatile row
    lsr a
    lsr a
    clc
    adc #>NAME_TABLE
    sta buffer_names_at
    lda row
    and #3
    lsr a
    ror a
    ror a                   ; (row & 3) * 64
    sta buffer_names_at + 1
    lda #0
    sta column
@cell:
    ldy column
    lda (cells), y
    jsr find_record
    lda column
    asl a
    tax
    lda (record), y         ; top left
    sta buffer_names, x
    iny
    lda (record), y         ; top right
    sta buffer_names + 1, x
    iny
    lda (record), y         ; bottom left
    sta buffer_names + 32, x
    iny
    lda (record), y         ; bottom right
    sta buffer_names + 33, x
    inc column
    lda column
    cmp #16
    bne @cell
    rts

; Shifts the sub-palette of the metatile in cell Y of the frame into attribute.
add_quadrant:
    lda (level), y
    tay
    lda (subpalettes), y
    and #3
    asl attribute
    asl attribute
    ora attribute
    sta attribute
    rts

; Fills buffer_attributes with attribute row A (0..7): each byte covers 2 x 2 metatiles,
; top left in its low bits, bottom right in its high bits. The last row's lower half lies
; below the frame and stays 0. The data bank must be selected.
build_attributes:
    sta row
    asl a
    asl a
    asl a
    clc
    adc #<ATTRIBUTE_TABLE
    sta buffer_attributes_at + 1
    lda #>ATTRIBUTE_TABLE
    sta buffer_attributes_at
    lda row
    asl a
    asl a
    asl a
    asl a
    asl a                   ; the first cell: 2 metatile rows of 16
    sta cell
    ldx #0
@byte:
    lda #0
    sta attribute
    lda row
    cmp #ATTRIBUTE_ROWS - 1
    beq @upper              ; metatile row 15 does not exist
    lda cell
    clc
    adc #17
    tay
    jsr add_quadrant        ; bottom right
    lda cell
    clc
    adc #16
    tay
    jsr add_quadrant        ; bottom left
@upper:
    ldy cell
    iny
    jsr add_quadrant        ; top right
    ldy cell
    jsr add_quadrant        ; top left
    lda attribute
    sta buffer_attributes, x
    inc cell
    inc cell
    inx
    cpx #8
    bne @byte
    rts

; Fills buffer_palette with the stage's 16 palette bytes. The data bank must be selected.
build_palette:
    ldy #15
@entry:
    lda (palette), y
    sta buffer_palette, y
    dey
    bpl @entry
    rts

; ---- drawing ---------------------------------------------------------------------------------

; Draws the whole picture of the shown stage and frame with the picture off, then shows it
; from the next vertical blank on.
draw_all:
    lda #0
    sta PPUCTRL
    sta PPUMASK
    sta upload
    jsr find_stage
    ldx stage
    lda stage_tile_bank, x
    jsr select_bank
    lda tiles
    sta source
    lda tiles + 1
    sta source + 1
    bit PPUSTATUS
    lda #0
    sta PPUADDR
    sta PPUADDR
    ldx #>TILES_BYTES
    ldy #0
@tile_byte:
    lda (source), y
    sta PPUDATA
    iny
    bne @tile_byte
    inc source + 1
    dex
    bne @tile_byte

    ldx stage
    lda stage_data_bank, x
    jsr select_bank
    jsr build_palette
    lda #>PALETTE
    sta PPUADDR
    lda #<PALETTE
    sta PPUADDR
    ldx #0
@palette_entry:
    lda buffer_palette, x
    sta PPUDATA
    inx
    cpx #16
    bne @palette_entry

    lda #0
@names_row:
    pha
    jsr build_names
    lda buffer_names_at
    sta PPUADDR
    lda buffer_names_at + 1
    sta PPUADDR
    ldx #0
@name:
    lda buffer_names, x
    sta PPUDATA
    inx
    cpx #64
    bne @name
    pla
    clc
    adc #1
    cmp #FRAME_ROWS
    bne @names_row

    lda #0
@attributes_row:
    pha
    jsr build_attributes
    lda buffer_attributes_at
    sta PPUADDR
    lda buffer_attributes_at + 1
    sta PPUADDR
    ldx #0
@attribute_byte:
    lda buffer_attributes, x
    sta PPUDATA
    inx
    cpx #8
    bne @attribute_byte
    pla
    clc
    adc #1
    cmp #ATTRIBUTE_ROWS
    bne @attributes_row

    bit PPUSTATUS
@wait_blank:
    bit PPUSTATUS
    bpl @wait_blank
    jmp show_picture

; Reads the next part of what is shown into the buffer, for the next vertical blank.
prepare_refresh:
    ldx stage
    lda stage_tile_bank, x
    jsr select_bank
    lda next_chunk          ; chunk * 128: its high byte is chunk / 2
    lsr a
    sta buffer_tiles_at
    lda #0
    ror a
    sta buffer_tiles_at + 1
    clc
    adc tiles
    sta source
    lda buffer_tiles_at
    adc tiles + 1
    sta source + 1
    ldy #CHUNK_BYTES - 1
@tile_byte:
    lda (source), y
    sta buffer_tiles, y
    dey
    bpl @tile_byte

    ldx stage
    lda stage_data_bank, x
    jsr select_bank
    jsr build_palette
    lda next_row
    jsr build_names
    lda next_attribute_row
    jsr build_attributes

    lda next_chunk
    clc
    adc #1
    and #CHUNK_COUNT - 1
    sta next_chunk
    ldx next_row
    inx
    cpx #FRAME_ROWS
    bcc @row_kept
    ldx #0
@row_kept:
    stx next_row
    lda next_attribute_row
    clc
    adc #1
    and #ATTRIBUTE_ROWS - 1
    sta next_attribute_row
    lda #1
    sta upload
    rts

; Scroll at the top left of name table 0, and the background on.
show_picture:
    lda #CTRL_SHOW
    sta PPUCTRL
    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    lda #MASK_SHOW
    sta PPUMASK
    rts

; The vertical blank: writes the prepared buffer into the picture, unrolled to fit in the
; blank's time.
nmi:
    pha
    txa
    pha
    tya
    pha
    lda upload
    bne @write
    jmp @done
@write:
    bit PPUSTATUS
    lda #>PALETTE
    sta PPUADDR
    lda #<PALETTE
    sta PPUADDR
    .repeat 16, i
        lda buffer_palette + i
        sta PPUDATA
    .endrepeat
    lda buffer_tiles_at
    sta PPUADDR
    lda buffer_tiles_at + 1
    sta PPUADDR
    .repeat CHUNK_BYTES, i
        lda buffer_tiles + i
        sta PPUDATA
    .endrepeat
    lda buffer_names_at
    sta PPUADDR
    lda buffer_names_at + 1
    sta PPUADDR
    .repeat 64, i
        lda buffer_names + i
        sta PPUDATA
    .endrepeat
    lda buffer_attributes_at
    sta PPUADDR
    lda buffer_attributes_at + 1
    sta PPUADDR
    .repeat 8, i
        lda buffer_attributes + i
        sta PPUDATA
    .endrepeat
    lda #0
    sta upload
@done:
    jsr show_picture
    inc vblanks
    pla
    tay
    pla
    tax
    pla
irq:
    rti

.segment "RODATA"
bank_numbers:
    .byte 0, 1, 2, 3, 4, 5, 6, 7

.segment "VECTORS"
    .word nmi, reset, irq
